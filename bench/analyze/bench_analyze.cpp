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
// engine's two stat paths forced one way and the other.
//
// The whole computer is timed first, before the generated trees exist: they
// would add half a million entries of the benchmark's own to it.
//
//   bench_analyze --mole <engine> [--runs 5] [--files 300000] [--keep-trees DIR]
//
// The trees are made in a temporary folder that is removed at the end, with
// the reports and du's output. --keep-trees DIR makes them in DIR once and
// keeps them there (rebuilt when the file count changes), for repeated runs;
// the whole computer then includes them.
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

std::string g_self;

Sample runOnce(const std::vector<std::string> &command, const std::string &output = "/dev/null",
               const Bench::Env &env = {}) {
    return Bench::run(command, {env, output});
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

struct Counted {
    unsigned major = 0, minor = 0;  // the file system walked
    long long blocks = 0;
    long long entries = 0;
};

// The least an exact walk does, on one thread: read every folder with large
// getdents64 calls, statx every entry that is not a folder asking for the
// blocks alone, open (relative), statx and close every folder. Stays on one
// file system, like du -x.
void bareWalk(int fd, Counted &counted) {
    static thread_local std::vector<char> buffer(128 * 1024);
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
            ++counted.entries;
            if (entry->d_type == DT_DIR) {
                folders.emplace_back(name);
                continue;
            }
            struct statx st;
            if (::statx(fd, name, AT_SYMLINK_NOFOLLOW, STATX_BLOCKS, &st) == 0)
                counted.blocks += st.stx_blocks;
        }
    }
    for (const std::string &name : folders) {
        int sub = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (sub < 0)
            continue;
        struct statx st;
        if (::statx(sub, "", AT_EMPTY_PATH, STATX_BLOCKS, &st) == 0 &&
            st.stx_dev_major == counted.major && st.stx_dev_minor == counted.minor) {
            counted.blocks += st.stx_blocks;
            bareWalk(sub, counted);
        }
        ::close(sub);
    }
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
    std::printf("\n%s\n  totals: mole %lld bytes, du -sB1 %lld bytes  %s  load %.2f\n",
                tree.c_str(), moleTotal, duTotal,
                moleTotal == duTotal ? "equal  PASS" : "DIFFER  MISS", Bench::loadAverage());

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

// `mole analyze` of the whole computer, as Space Lens first asks for it,
// with what bounds it: the entries on the file system, the processor time
// per entry of the engine and of the bare walk, and the engine's time spread
// over every core (the least wall time it can take).
void benchWholeComputer(const std::string &mole, const std::string &scratch, int runs) {
    const std::vector<std::string> engine = {mole, "analyze", "--json"};
    runOnce(engine);
    const std::string counts = scratch + "/whole.txt";
    const Sample bare = runOnce({g_self, "--bare-walk", "/"}, counts);
    long long bytes = 0, entries = 0;
    std::sscanf(readText(counts).c_str(), "%lld %lld", &bytes, &entries);
    Paired p = pair(engine, {"du", "-sx", "/"}, runs);
    const long cores = ::sysconf(_SC_NPROCESSORS_ONLN);
    std::printf(
        "\nthe whole computer: %lld entries; mole %.3f s (cpu %.3f), du -sx / %.3f s "
        "(cpu %.3f)\n",
        entries, p.moleWall, p.moleCpu, p.toolWall, p.toolCpu);
    verdict("whole computer report", p.moleWall, 1.0, p.load, Bench::Bound::below, " s");
    verdict("wall mole / du -sx /", p.wallRatio, 0, p.load);
    verdict("mole cpu per entry", p.moleCpu / double(std::max(entries, 1LL)) * 1e6, 0, p.load,
            Bench::Bound::atMost, " us");
    verdict("bare walk cpu per entry", bare.cpuSeconds / double(std::max(entries, 1LL)) * 1e6, 0,
            p.load, Bench::Bound::atMost, " us");
    verdict("least wall: mole cpu / cores", p.moleCpu / double(std::max(cores, 1L)), 0, p.load,
            Bench::Bound::atMost, " s");
}

}  // namespace

int main(int argc, char **argv) {
    if (argc == 3 && std::strcmp(argv[1], "--bare-walk") == 0) {
        // Prints the bytes and the number of entries below the folder.
        int fd = ::open(argv[2], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        struct statx st;
        if (fd < 0 || ::statx(fd, "", AT_EMPTY_PATH, STATX_BLOCKS, &st) != 0)
            return 1;
        Counted counted{st.stx_dev_major, st.stx_dev_minor, static_cast<long long>(st.stx_blocks), 0};
        bareWalk(fd, counted);
        std::printf("%lld %lld\n", counted.blocks * 512, counted.entries);
        return 0;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // progress shows while it runs
    std::string mole, keptTrees;
    int runs = 5, files = 300'000;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string flag = argv[i];
        if (flag == "--mole")
            mole = argv[i + 1];
        else if (flag == "--keep-trees")
            keptTrees = argv[i + 1];
        else if (flag == "--runs")
            runs = std::max(1, std::atoi(argv[i + 1]));
        else if (flag == "--files")
            files = std::max(1000, std::atoi(argv[i + 1]));
    }
    if (mole.empty()) {
        std::fprintf(stderr,
                     "usage: bench_analyze --mole <engine> [--runs N] [--files N] "
                     "[--keep-trees DIR]\n");
        return 2;
    }
    char self[4096] = {};
    if (::readlink("/proc/self/exe", self, sizeof self - 1) <= 0)
        return 1;
    g_self = self;
    char scratchTemplate[] = "/tmp/bench-analyze-XXXXXX";
    const char *made = ::mkdtemp(scratchTemplate);
    if (!made)
        return 1;
    const std::string scratch = made;
    std::printf(
        "%ld cores, load average %.2f at start, %d pairs of runs per tool, normal "
        "priority\n",
        ::sysconf(_SC_NPROCESSORS_ONLN), Bench::loadAverage(), runs);

    benchWholeComputer(mole, scratch, 3);
    if (!keptTrees.empty())
        ::mkdir(keptTrees.c_str(), 0755);
    const std::string tree = (keptTrees.empty() ? scratch : keptTrees) + "/tree";
    const std::string flat = tree + "-flat";
    const Bench::Stopwatch making;
    ensureGenerated(tree, files, generateTree);
    ensureGenerated(flat, 200'000, generateFlat);
    std::printf("trees ready in %.0f s\n", making.seconds());
    const Targets wide = {0.55, 0.5, 1.0, 0.8, 0};
    benchTree("/usr", mole, scratch, runs, true, wide);
    benchTree(tree, mole, scratch, runs, true, wide);
    benchTree(flat, mole, scratch, runs, false, {1.0, 0, 1.0, 0.8, 64});
    benchStatPaths(tree, mole, std::max(3, runs / 2));
    runOnce({"rm", "-rf", scratch});
    return 0;
}
