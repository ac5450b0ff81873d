// Times `mole analyze --json` as a user runs it (normal priority, warm
// cache) against du, gdu and ncdu on /usr, on a generated tree of 300,000
// files with hard links and deep nesting, and on one flat folder of 200,000
// files. Each tool runs paired with the engine, turn about (mole, tool, mole,
// tool ...), and every ratio is the median of the pairs' ratios, so a burst
// of load from elsewhere weighs on both sides of a pair. The engine's totals
// must equal `du -sB1` byte for byte.
//
// Beside the tools it times the floor: a bare single-thread walk doing only
// what any exact measurement must (getdents64 on every folder, one statx per
// other entry, open and close per folder), so the engine's processor time
// can be read against the least the kernel makes anyone pay. Then the
// engine's two stat paths forced one way and the other, and the whole
// computer.
//
//   bench_analyze --mole <engine> [--runs 5] [--tree /tmp/brightloft-bench-tree]
//                 [--files 300000] [--realtime 1] [--prepare 1]
//
// The generated trees are kept between runs and rebuilt when their file
// count changes (--prepare 1 only makes them); reports and du's output go to a temporary folder
// that is removed. --realtime 1 (root only) runs every tool under SCHED_FIFO: a diagnostic of what
// the walk does with the processors to itself, never what a user sees.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "support/Files.h"
#include "support/Measure.h"

namespace {

using Bench::Sample;

bool g_realtime = false;
std::string g_self;

Sample runOnce(const std::vector<std::string> &command, const std::string &output = "/dev/null",
               const Bench::Env &env = {}) {
    return Bench::run(command, {env, output, g_realtime});
}

// Projects of wide folders, a few chains 100 folders deep, and one file in
// ten a hard link to an earlier one (in another folder half the time).
void generateTree(const std::string &root, int files) {
    std::mt19937 random(42);
    ::mkdir(root.c_str(), 0755);
    std::vector<std::string> made;
    int count = 0;
    for (int project = 0; count < files; ++project) {
        std::string base = root + "/project" + std::to_string(project);
        ::mkdir(base.c_str(), 0755);
        std::string folder = base;
        bool deep = project % 10 == 0;
        for (int level = 0; level < (deep ? 100 : 6) && count < files; ++level) {
            folder += "/level" + std::to_string(level);
            ::mkdir(folder.c_str(), 0755);
            int inFolder = deep ? 20 : 200;
            for (int i = 0; i < inFolder && count < files; ++i, ++count) {
                std::string path = folder + "/file" + std::to_string(i) + ".dat";
                if (count % 10 == 9 && !made.empty()) {
                    const std::string &target =
                        random() % 2 ? made.back() : made[random() % made.size()];
                    if (::link(target.c_str(), path.c_str()) == 0)
                        continue;
                }
                // Sizes matter little to a walk; small ones keep the tree
                // quick to make.
                size_t size = random() % 100 < 95 ? random() % 3000 : random() % 50'000;
                if (count % 50'000 == 1)
                    size = 20u << 20;  // a few large files
                Bench::writeBytes(path, size);
                if (made.size() < 5000 || random() % 20 == 0)
                    made.push_back(path);
            }
        }
    }
    Bench::markGenerated(root + "/.generated", files);
}

// One folder holding `files` small files and nothing else.
void generateFlat(const std::string &root, int files) {
    ::mkdir(root.c_str(), 0755);
    for (int i = 0; i < files; ++i)
        Bench::writeBytes(root + "/entry-" + std::to_string(i) + ".txt", size_t(i % 7) * 300);
    Bench::markGenerated(root + "/.generated", files);
}

void ensureGenerated(const std::string &root, int files,
                     void (*generate)(const std::string &, int)) {
    if (Bench::isGenerated(root + "/.generated", files))
        return;
    std::printf("generating %d files under %s ...\n", files, root.c_str());
    std::fflush(stdout);
    runOnce({"rm", "-rf", root});
    generate(root, files);
}

std::string readText(const std::string &path) {
    std::string text;
    if (FILE *file = std::fopen(path.c_str(), "r")) {
        char buffer[65536];
        while (size_t n = std::fread(buffer, 1, sizeof buffer, file)) text.append(buffer, n);
        std::fclose(file);
    }
    return text;
}

long long totalFromReport(const std::string &path) {
    std::string text = readText(path);
    size_t at = text.find("\"total_size\":");
    return at == std::string::npos ? -1 : std::atoll(text.c_str() + at + 13);
}

// The least an exact walk does, on one thread: read every folder with large
// getdents64 calls, statx every entry that is not a folder asking for the
// blocks alone, open (relative), statx and close every folder.
long long bareWalk(int fd) {
    static thread_local std::vector<char> buffer(128 * 1024);
    long long blocks = 0;
    std::vector<std::string> folders;
    for (;;) {
        ssize_t length = ::getdents64(fd, buffer.data(), buffer.size());
        if (length <= 0)
            break;
        for (ssize_t offset = 0; offset < length;) {
            auto *entry = reinterpret_cast<dirent64 *>(buffer.data() + offset);
            offset += entry->d_reclen;
            const char *name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            if (entry->d_type == DT_DIR) {
                folders.emplace_back(name);
                continue;
            }
            struct statx st;
            if (::statx(fd, name, AT_SYMLINK_NOFOLLOW, STATX_BLOCKS, &st) == 0)
                blocks += st.stx_blocks;
        }
    }
    for (const std::string &name : folders) {
        int sub = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (sub < 0)
            continue;
        struct statx st;
        if (::statx(sub, "", AT_EMPTY_PATH, STATX_BLOCKS, &st) == 0)
            blocks += st.stx_blocks;
        blocks += bareWalk(sub);
        ::close(sub);
    }
    return blocks;
}

struct Tool {
    std::string name;
    std::vector<std::string> command;  // the folder is appended
};

struct Paired {
    double moleWall = 0, moleCpu = 0, toolWall = 0, toolCpu = 0;  // medians
    double wallRatio = 0, cpuRatio = 0;                           // medians of the pairs' ratios
    double molePeakMb = 0;
    double load = 0;  // at the end of the pairs
};

// The engine and a tool in turn, `runs` pairs.
Paired pair(const std::vector<std::string> &mole, const std::vector<std::string> &tool, int runs,
            const Bench::Env &moleEnv = {}) {
    std::vector<double> mw, mc, tw, tc, wallRatios, cpuRatios;
    long peak = 0;
    for (int round = 0; round < runs; ++round) {
        Sample a = runOnce(mole, "/dev/null", moleEnv);
        Sample b = runOnce(tool);
        mw.push_back(a.seconds);
        mc.push_back(a.cpuSeconds);
        tw.push_back(b.seconds);
        tc.push_back(b.cpuSeconds);
        wallRatios.push_back(a.seconds / b.seconds);
        cpuRatios.push_back(a.cpuSeconds / std::max(b.cpuSeconds, 1e-6));
        peak = std::max(peak, a.peakKb);
    }
    return {Bench::median(mw),   Bench::median(mc),         Bench::median(tw),
            Bench::median(tc),   Bench::median(wallRatios), Bench::median(cpuRatios),
            double(peak) / 1024, Bench::loadAverage()};
}

struct Targets {
    double wallVsDu = 0;  // 0: no target
    double wallVsGdu = 0;
    double cpuVsDu = 0;
    double cpuStretch = 0;
    double peakMb = 0;
};

void verdict(const char *what, double figure, double target, double load,
             Bench::Bound bound = Bench::Bound::atMost, const char *unit = "") {
    if (target > 0)
        Bench::verdict(what, figure, target, unit, bound, load);
    else
        std::printf("  %-34s %9.2f%-3s %24s load %.2f\n", what, figure, unit, "", load);
}

void benchTree(const std::string &tree, const std::string &mole, const std::string &scratch,
               int runs, bool withOthers, const Targets &targets) {
    const std::vector<std::string> engine = {mole, "analyze", "--json", tree};
    // Warm the cache, and check that the engine and du agree to the byte.
    const std::string report = scratch + "/report.json", duOut = scratch + "/du.txt";
    runOnce(engine, report);
    runOnce({"du", "-sB1", tree}, duOut);
    const long long moleTotal = totalFromReport(report);
    const long long duTotal = std::atoll(readText(duOut).c_str());
    std::printf("\n%s\n  totals: mole %lld bytes, du -sB1 %lld bytes  %s\n", tree.c_str(),
                moleTotal, duTotal, moleTotal == duTotal ? "equal  PASS" : "DIFFER  MISS");

    std::vector<Tool> tools = {{"du -sk", {"du", "-sk"}}};
    if (withOthers) {
        tools.push_back({"gdu -n", {"gdu", "-n"}});
        tools.push_back({"ncdu -0", {"ncdu", "-0", "-o", "/dev/null"}});
    }
    tools.push_back({"bare walk", {g_self, "--bare-walk"}});
    std::printf("  %-12s %10s %10s %10s %10s %8s\n", "paired with", "mole s", "mole cpu", "tool s",
                "tool cpu", "load");
    std::vector<Paired> results;
    for (Tool &tool : tools) {
        tool.command.push_back(tree);
        runOnce(tool.command);  // warm
        results.push_back(pair(engine, tool.command, runs));
        const Paired &p = results.back();
        std::printf("  %-12s %10.3f %10.3f %10.3f %10.3f %8.2f\n", tool.name.c_str(), p.moleWall,
                    p.moleCpu, p.toolWall, p.toolCpu, p.load);
    }
    const Paired &du = results[0];
    verdict("wall mole / du", du.wallRatio, targets.wallVsDu, du.load);
    if (withOthers) {
        verdict("wall mole / gdu", results[1].wallRatio, targets.wallVsGdu, results[1].load);
        verdict("wall mole / ncdu", results[2].wallRatio, 0, results[2].load);
    }
    verdict("cpu mole / du", du.cpuRatio, targets.cpuVsDu, du.load);
    verdict("cpu mole / du (stretch)", du.cpuRatio, targets.cpuStretch, du.load);
    const Paired &bare = results.back();
    verdict("cpu mole / bare walk (the floor)", bare.cpuRatio, 0, bare.load);
    verdict("cpu bare walk / du", bare.toolCpu / du.toolCpu, 0, bare.load);
    double peak = 0;
    for (const Paired &p : results) peak = std::max(peak, p.molePeakMb);
    verdict("mole peak memory", peak, targets.peakMb, du.load, Bench::Bound::below, " MB");
}

// The same walk with the stat path forced each way: what the engine's own
// choice (made on each walk's first entries) is choosing between.
void benchStatPaths(const std::string &tree, const std::string &mole, int runs) {
    const std::vector<std::string> engine = {mole, "analyze", "--json", tree};
    std::printf("\nstat paths on %s (MOLE_ANALYZE_STATS forced)\n", tree.c_str());
    std::vector<double> ringCpu, plainCpu, ratios;
    for (int round = 0; round < runs; ++round) {
        Sample ring = runOnce(engine, "/dev/null", {{"MOLE_ANALYZE_STATS", "ring"}});
        Sample plain = runOnce(engine, "/dev/null", {{"MOLE_ANALYZE_STATS", "plain"}});
        ringCpu.push_back(ring.cpuSeconds);
        plainCpu.push_back(plain.cpuSeconds);
        ratios.push_back(ring.cpuSeconds / plain.cpuSeconds);
    }
    std::printf("  io_uring cpu %.3f s, plain statx cpu %.3f s\n", Bench::median(ringCpu),
                Bench::median(plainCpu));
    verdict("cpu io_uring / plain statx", Bench::median(ratios), 0, Bench::loadAverage());
}

// `mole analyze` of the whole computer, as Space Lens first asks for it.
void benchWholeComputer(const std::string &mole, int runs) {
    const std::vector<std::string> engine = {mole, "analyze", "--json"};
    runOnce(engine);
    Paired p = pair(engine, {"du", "-sx", "/"}, runs);
    std::printf("\nthe whole computer: mole %.3f s (cpu %.3f), du -sx / %.3f s (cpu %.3f)\n",
                p.moleWall, p.moleCpu, p.toolWall, p.toolCpu);
    verdict("whole computer report", p.moleWall, 1.0, p.load, Bench::Bound::below, " s");
    verdict("wall mole / du -sx /", p.wallRatio, 0, p.load);
}

}  // namespace

int main(int argc, char **argv) {
    if (argc == 3 && std::strcmp(argv[1], "--bare-walk") == 0) {
        int fd = ::open(argv[2], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        std::printf("%lld\n", fd < 0 ? -1 : bareWalk(fd) * 512);
        return fd < 0;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // progress shows while it runs
    std::string mole, tree = "/tmp/brightloft-bench-tree";
    int runs = 5, files = 300'000;
    bool prepareOnly = false;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string flag = argv[i];
        if (flag == "--mole")
            mole = argv[i + 1];
        else if (flag == "--tree")
            tree = argv[i + 1];
        else if (flag == "--runs")
            runs = std::max(1, std::atoi(argv[i + 1]));
        else if (flag == "--files")
            files = std::max(1000, std::atoi(argv[i + 1]));
        else if (flag == "--realtime")
            g_realtime = std::atoi(argv[i + 1]) != 0;
        else if (flag == "--prepare")
            prepareOnly = std::atoi(argv[i + 1]) != 0;
    }
    if (mole.empty()) {
        std::fprintf(stderr,
                     "usage: bench_analyze --mole <engine> [--runs N] [--tree DIR] [--files N] "
                     "[--realtime 1]\n");
        return 2;
    }
    char self[4096] = {};
    if (::readlink("/proc/self/exe", self, sizeof self - 1) <= 0)
        return 1;
    g_self = self;
    const std::string flat = tree + "-flat";
    ensureGenerated(tree, files, generateTree);
    ensureGenerated(flat, 200'000, generateFlat);
    if (prepareOnly)
        return 0;

    char scratchTemplate[] = "/tmp/bench-analyze-XXXXXX";
    const char *made = ::mkdtemp(scratchTemplate);
    if (!made)
        return 1;
    const std::string scratch = made;
    std::printf("%ld cores, load average %.2f at start, %d pairs of runs per tool, %s\n",
                ::sysconf(_SC_NPROCESSORS_ONLN), Bench::loadAverage(), runs,
                g_realtime ? "every tool under SCHED_FIFO (a diagnostic, not what a user sees)"
                           : "normal priority");
    const Targets wide = {0.55, 0.5, 1.0, 0.8, 0};
    benchTree("/usr", mole, scratch, runs, true, wide);
    benchTree(tree, mole, scratch, runs, true, wide);
    benchTree(flat, mole, scratch, runs, false, {1.0, 0, 1.0, 0.8, 64});
    benchStatPaths(tree, mole, std::max(3, runs / 2));
    benchWholeComputer(mole, 3);
    runOnce({"rm", "-rf", scratch});
    return 0;
}
