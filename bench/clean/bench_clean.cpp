// Times `mole clean --dry-run` against `du -sk` of the same folders, and
// `mole clean` against `rm -rf` of an identical copy, on a generated home of
// cache files, as a user runs them (normal priority, warm cache). Each pair
// runs in turn (engine, baseline, engine, baseline ...) and every ratio is
// the median of the pairs' ratios, printed with PASS or MISS against its
// target (dry run <= 0.6 x du, clean <= 1.1 x rm -rf) and the load beside it.
//
//   bench_clean --mole <engine> [--runs 5] [--files 200000] [--keep-home DIR]
//
// The engine only ever sees the generated home: HOME and every XDG folder
// point inside it. The home and its copies are made in a temporary folder
// that is removed at the end; --keep-home DIR makes the template home in DIR
// once and keeps it there (rebuilt when its file count changes). Each copy is
// written out to disk (sync) before it is timed, so neither side of a pair
// pays for the other's writing.
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

using Bench::Env;

// Runs a command to its end with output to /dev/null; returns wall seconds.
double timed(const std::vector<std::string> &command, const Env &env = {}) {
    return Bench::run(command, {env}).seconds;
}

// A fresh copy of the template home at `copy`, on disk.
void freshCopy(const std::string &home, const std::string &copy) {
    timed({"rm", "-rf", copy});
    timed({"cp", "-a", home, copy});
    timed({"sync", "-f", copy});
}

// Application caches of many shapes: a few large ones, many small, nested
// two or three levels, small files as caches hold them.
void generateHome(const std::string &home, int files) {
    std::mt19937 random(7);
    for (const char *folder :
         {"", "/.cache", "/.config", "/.local", "/.local/share", "/.local/state"})
        ::mkdir((home + folder).c_str(), 0755);
    int count = 0;
    for (int app = 0; count < files; ++app) {
        std::string base = home + "/.cache/app" + std::to_string(app);
        ::mkdir(base.c_str(), 0755);
        int inApp = app % 10 == 0 ? 20'000 : 2'000;
        for (int folder = 0; count < files && inApp > 0; ++folder) {
            std::string dir = base + "/d" + std::to_string(folder);
            ::mkdir(dir.c_str(), 0755);
            std::string sub = dir + "/s";
            ::mkdir(sub.c_str(), 0755);
            for (int i = 0; i < 100 && count < files && inApp > 0; ++i, ++count, --inApp)
                Bench::writeBytes((i % 2 ? sub : dir) + "/f" + std::to_string(i), random() % 6000);
        }
    }
}

struct Pairs {
    std::vector<double> engine, baseline, ratios;
    void add(double a, double b) {
        engine.push_back(a);
        baseline.push_back(b);
        ratios.push_back(a / b);
    }
};

void report(const char *what, const Pairs &pairs, const char *baselineName, double target) {
    std::printf("%s: mole %.3f s, %s %.3f s (medians of %zu pairs)\n", what,
                Bench::median(pairs.engine), baselineName, Bench::median(pairs.baseline),
                pairs.ratios.size());
    Bench::verdict("ratio", Bench::median(pairs.ratios), target);
}

}  // namespace

int main(int argc, char **argv) {
    std::string mole, kept;
    int runs = 5, files = 200'000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--mole"))
            mole = argv[i + 1];
        else if (!std::strcmp(argv[i], "--runs"))
            runs = std::max(1, std::atoi(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--files"))
            files = std::max(1000, std::atoi(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--keep-home"))
            kept = argv[i + 1];
    }
    if (mole.empty() || (!kept.empty() && kept.front() != '/')) {
        std::fprintf(stderr,
                     "usage: bench_clean --mole <engine> [--runs 5] [--files 200000] "
                     "[--keep-home /absolute/folder]\n");
        return 2;
    }
    char scratchTemplate[] = "/tmp/bench-clean-XXXXXX";
    const char *made = ::mkdtemp(scratchTemplate);
    if (!made)
        return 1;
    const std::string scratch = made;
    const std::string root = kept.empty() ? scratch : kept;
    const std::string home = root + "/template";
    if (!Bench::isGenerated(root + "/generated", files)) {
        std::printf("generating %d cache files in %s ...\n", files, home.c_str());
        timed({"rm", "-rf", home});
        ::mkdir(root.c_str(), 0755);
        generateHome(home, files);
        Bench::markGenerated(root + "/generated", files);
    }
    std::printf("%ld cores, load average %.2f at start, normal priority\n",
                ::sysconf(_SC_NPROCESSORS_ONLN), Bench::loadAverage());

    // Dry run against du of the folders it measures; one warm-up each.
    const Env env = Bench::homeEnv(home);
    timed({mole, "clean", "--dry-run"}, env);
    timed({"du", "-sk", home + "/.cache"});
    Pairs dry;
    for (int run = 0; run < runs; ++run)
        dry.add(timed({mole, "clean", "--dry-run"}, env), timed({"du", "-sk", home + "/.cache"}));
    report("dry run / du -sk", dry, "du -sk", 0.6);

    // Clean against rm -rf, each on its own fresh copy of the template.
    Pairs clean;
    const std::string copy = scratch + "/copy";
    const Env copyEnv = Bench::homeEnv(copy);
    for (int run = 0; run < std::max(3, runs / 2); ++run) {
        freshCopy(home, copy);
        timed({mole, "clean", "--dry-run"}, copyEnv);  // the plan the clean follows
        const double engine = timed({mole, "clean", "--yes"}, copyEnv);
        freshCopy(home, copy);
        clean.add(engine, timed({"rm", "-rf", copy + "/.cache"}));
    }
    std::printf("%d cache files\n", files);
    report("clean / rm -rf", clean, "rm -rf", 1.1);
    timed({"rm", "-rf", scratch});
    return 0;
}
