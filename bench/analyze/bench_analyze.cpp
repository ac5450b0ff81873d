// Times `mole analyze --json` against du -sk, gdu -n and ncdu -0 on the same
// warm trees (/usr, a generated tree of 300,000 files with hard links and
// deep nesting, and one flat folder of 200,000 files), and prints the
// medians, the ratios and the peak memory, with PASS or MISS beside each
// target. Then it times the per-entry metadata call both ways the walker
// can make it: plain statx calls, and the io_uring batches it uses.
//
//   bench_analyze --mole <engine> [--runs 7] [--tree /tmp/brightloft-bench-tree] [--files 300000]
//                 [--realtime 1]
//
// The generated trees are kept between runs and rebuilt when their file
// count changes. On a machine busy with other work every tool only gets a share of
// the processors, which hides what a parallel walk gains; --realtime 1 (root
// only) runs every tool alike under SCHED_FIFO so that each has the
// processors to itself, as on an idle machine.
#include <dirent.h>
#include <fcntl.h>
#include <liburing.h>
#include <sys/resource.h>
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

struct Tool {
    std::string name;
    std::vector<std::string> command;  // the tree is appended
    std::vector<Sample> samples;
};

bool g_realtime = false;

// Runs a command with its output sent to a file (or /dev/null), measured
// with wait4, which also gives the child's peak resident memory.
Sample runOnce(const std::vector<std::string> &command, const char *outputPath = "/dev/null") {
    return Bench::run(command, {{}, outputPath, g_realtime});
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

bool treeIsCurrent(const std::string &root, int files) {
    return Bench::isGenerated(root + "/.generated", files);
}

std::string firstWord(const std::string &path) {
    FILE *file = std::fopen(path.c_str(), "r");
    if (!file)
        return {};
    char word[64] = {};
    if (std::fscanf(file, "%63s", word) != 1)
        word[0] = 0;
    std::fclose(file);
    return word;
}

std::string totalFromReport(const std::string &path) {
    FILE *file = std::fopen(path.c_str(), "r");
    if (!file)
        return {};
    std::string text;
    char buffer[65536];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, file)) text.append(buffer, n);
    std::fclose(file);
    size_t at = text.find("\"total_size\":");
    return at == std::string::npos ? std::string()
                                   : text.substr(at + 13, text.find_first_of(",}", at) - at - 13);
}

struct Targets {
    double wallVsDu = 0;   // mole's median wall time at most this times du's
    double wallVsGdu = 0;  // ... and gdu's (0: no target)
    double cpuVsDu = 0;    // mole's median processor time at most this times du's
    double peakMb = 0;     // mole's peak resident memory below this
};

// A target of 0 is none.
void verdict(const char *what, double figure, double target, const char *unit = "") {
    if (target > 0)
        Bench::verdict(what, figure, target, unit,
                       *unit ? Bench::Bound::below : Bench::Bound::atMost);
}

void benchTree(const std::string &tree, const std::string &mole, int runs, const Targets &targets) {
    std::vector<Tool> tools = {
        {"mole analyze", {mole, "analyze", "--json"}, {}},
        {"du -sk", {"du", "-sk"}, {}},
        {"gdu -n", {"gdu", "-n"}, {}},
        {"ncdu -0", {"ncdu", "-0", "-o", "/dev/null"}, {}},
    };
    // Warm the cache and check that mole and du agree on the total.
    std::string report = "/tmp/bench_analyze_report.json";
    std::string duOut = "/tmp/bench_analyze_du.txt";
    tools[0].command.push_back(tree);
    runOnce(tools[0].command, report.c_str());
    tools[1].command.push_back(tree);
    runOnce(tools[1].command, duOut.c_str());
    for (size_t t = 2; t < tools.size(); ++t) {
        tools[t].command.push_back(tree);
        runOnce(tools[t].command);
    }
    long long duBytes = std::atoll(firstWord(duOut).c_str()) * 1024;
    std::printf("\n%s  (mole total %s bytes, du -sk %lld bytes)\n", tree.c_str(),
                totalFromReport(report).c_str(), duBytes);
    // Interleaved rounds, so a burst of other load hits every tool alike.
    for (int round = 0; round < runs; ++round)
        for (Tool &tool : tools) tool.samples.push_back(runOnce(tool.command));

    std::printf("  %-14s %12s %12s %12s\n", "tool", "median s", "median cpu s", "peak RSS MB");
    std::vector<double> wallMedians, cpuMedians;
    double molePeakMb = 0;
    for (const Tool &tool : tools) {
        std::vector<double> wall, cpu;
        long peak = 0;
        for (const Sample &s : tool.samples) {
            wall.push_back(s.seconds);
            cpu.push_back(s.cpuSeconds);
            peak = std::max(peak, s.peakKb);
        }
        wallMedians.push_back(Bench::median(wall));
        cpuMedians.push_back(Bench::median(cpu));
        if (molePeakMb == 0)
            molePeakMb = double(peak) / 1024;
        std::printf("  %-14s %12.3f %12.3f %12.1f\n", tool.name.c_str(), Bench::median(wall),
                    Bench::median(cpu), double(peak) / 1024);
    }
    verdict("wall mole / du -sk", wallMedians[0] / wallMedians[1], targets.wallVsDu);
    verdict("wall mole / gdu -n", wallMedians[0] / wallMedians[2], targets.wallVsGdu);
    verdict("cpu  mole / du -sk", cpuMedians[0] / cpuMedians[1], targets.cpuVsDu);
    verdict("mole peak memory", molePeakMb, targets.peakMb, " MB");
    std::printf("  %-22s %8.2f\n", "wall mole / ncdu", wallMedians[0] / wallMedians[3]);
}

// Processor time of this process (io_uring's workers included).
double cpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The names in every folder of a tree, listed once, for timing the metadata
// calls alone.
struct Listing {
    std::vector<int> folders;  // open descriptors
    std::vector<std::pair<int, std::string>> entries;
};

void listTree(int fd, Listing &listing, size_t limit) {
    listing.folders.push_back(fd);
    std::vector<int> subfolders;
    DIR *dir = ::fdopendir(::dup(fd));
    while (dirent *entry = dir ? ::readdir(dir) : nullptr) {
        std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (entry->d_type == DT_DIR) {
            int sub = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (sub >= 0)
                subfolders.push_back(sub);
        } else if (listing.entries.size() < limit) {
            listing.entries.emplace_back(fd, name);
        }
    }
    if (dir)
        ::closedir(dir);
    for (int sub : subfolders) listTree(sub, listing, limit);
}

// The walker's per-entry call, made plainly or in io_uring batches (as the
// walker does), on the same entries.
void benchStatx(const std::string &tree, int runs) {
    Listing listing;
    listTree(::open(tree.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), listing, 200'000);
    constexpr unsigned fields = STATX_TYPE | STATX_NLINK | STATX_INO | STATX_BLOCKS | STATX_ATIME;
    constexpr int flags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT;
    std::vector<struct statx> results(listing.entries.size());
    auto plain = [&] {
        for (size_t i = 0; i < listing.entries.size(); ++i)
            ::statx(listing.entries[i].first, listing.entries[i].second.c_str(), flags, fields,
                    &results[i]);
    };
    constexpr unsigned kBatch = 256;
    io_uring ring{};
    bool ringReady = io_uring_queue_init(kBatch, &ring, 0) == 0;
    auto batched = [&] {
        for (size_t start = 0; start < listing.entries.size(); start += kBatch) {
            size_t end = std::min(listing.entries.size(), start + kBatch);
            for (size_t i = start; i < end; ++i) {
                io_uring_sqe *sqe = io_uring_get_sqe(&ring);
                io_uring_prep_statx(sqe, listing.entries[i].first,
                                    listing.entries[i].second.c_str(), flags, fields, &results[i]);
            }
            io_uring_submit_and_wait(&ring, unsigned(end - start));
            io_uring_cqe *cqe;
            for (size_t i = start; i < end; ++i) {
                io_uring_wait_cqe(&ring, &cqe);
                io_uring_cqe_seen(&ring, cqe);
            }
        }
    };
    auto time = [&](auto &&calls) {
        std::vector<double> wall, cpu;
        for (int round = 0; round < runs; ++round) {
            double cpuStart = cpuSeconds();
            const Bench::Stopwatch clock;
            calls();
            wall.push_back(clock.seconds());
            cpu.push_back(cpuSeconds() - cpuStart);
        }
        return std::pair(Bench::median(wall), Bench::median(cpu));
    };
    plain();  // warm
    auto [plainWall, plainCpu] = time(plain);
    std::printf("\nstatx on %zu entries of %s, median of %d\n", listing.entries.size(),
                tree.c_str(), runs);
    std::printf("  %-22s %8.3f s wall %8.3f s cpu  %6.2f us cpu per entry\n", "plain statx",
                plainWall, plainCpu, 1e6 * plainCpu / double(listing.entries.size()));
    if (ringReady) {
        auto [ringWall, ringCpu] = time(batched);
        std::printf("  %-22s %8.3f s wall %8.3f s cpu  %6.2f us cpu per entry\n",
                    "io_uring, 256 a batch", ringWall, ringCpu,
                    1e6 * ringCpu / double(listing.entries.size()));
        // The walker batches through io_uring, which must keep paying its way.
        Bench::verdict("io_uring / plain cpu", ringCpu / plainCpu, 1.0, "", Bench::Bound::below);
        io_uring_queue_exit(&ring);
    } else {
        std::printf("  io_uring is not available here\n");
    }
    for (int fd : listing.folders) ::close(fd);
}

}  // namespace

int main(int argc, char **argv) {
    std::string mole, tree = "/tmp/brightloft-bench-tree";
    int runs = 7, files = 300'000;
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
    }
    if (mole.empty()) {
        std::fprintf(stderr,
                     "usage: bench_analyze --mole <engine> [--runs N] [--tree DIR] [--files N]\n");
        return 2;
    }
    if (!treeIsCurrent(tree, files)) {
        std::printf("generating %d files under %s ...\n", files, tree.c_str());
        std::fflush(stdout);
        runOnce({"rm", "-rf", tree});
        generateTree(tree, files);
    }
    long cores = ::sysconf(_SC_NPROCESSORS_ONLN);
    double load[1] = {0};
    ::getloadavg(load, 1);
    std::printf("%ld cores, load average %.2f at start, %d timed runs per tool%s\n", cores, load[0],
                runs, g_realtime ? ", every tool under SCHED_FIFO" : "");
    if (!g_realtime && load[0] > double(cores))
        std::printf(
            "the machine is busy: every tool gets a share of the processors, which hides the\n"
            "parallel walk; as root, --realtime 1 measures as if the machine were idle\n");
    std::string flat = tree + "-flat";
    constexpr int kFlatFiles = 200'000;
    if (!treeIsCurrent(flat, kFlatFiles)) {
        std::printf("generating a flat folder of %d files under %s ...\n", kFlatFiles,
                    flat.c_str());
        std::fflush(stdout);
        runOnce({"rm", "-rf", flat});
        generateFlat(flat, kFlatFiles);
    }
    const Targets wide = {0.6, 0.5, 0.8, 0};
    benchTree("/usr", mole, runs, wide);
    benchTree(tree, mole, runs, wide);
    benchTree(flat, mole, runs, {1.0, 0, 0, 64});
    benchStatx(tree, runs);
    return 0;
}
