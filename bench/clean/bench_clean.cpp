// Times `mole clean --dry-run` against `du -sk` of the same folders, and
// `mole clean` against `rm -rf` of an identical copy, on a generated home of
// cache files, and prints the medians, the ratios and PASS or MISS against
// the targets (dry run ≤ 1.0 × du, clean ≤ 1.3 × rm -rf).
//
//   bench_clean --mole <engine> [--runs 5] [--files 200000] [--root /tmp/brightloft-bench-clean]
//
// The engine only ever sees the generated home: HOME and every XDG folder
// point inside --root. The template home is kept between runs and rebuilt
// when its file count changes; each clean works on a fresh copy.
#include <sys/stat.h>
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

void report(const char *what, double engine, double baseline, const char *baselineName,
            double target) {
    std::printf("%s: mole %.3f s, %s %.3f s\n", what, engine, baselineName, baseline);
    Bench::verdict("ratio", engine / baseline, target);
}

}  // namespace

int main(int argc, char **argv) {
    std::string mole, root = "/tmp/brightloft-bench-clean";
    int runs = 5, files = 200'000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--mole"))
            mole = argv[i + 1];
        else if (!std::strcmp(argv[i], "--runs"))
            runs = std::max(1, std::atoi(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--files"))
            files = std::max(1000, std::atoi(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--root"))
            root = argv[i + 1];
    }
    if (mole.empty() || root.size() < 6 || root.rfind("/tmp/", 0) != 0) {
        std::fprintf(stderr,
                     "usage: bench_clean --mole <engine> [--runs 5] [--files 200000] "
                     "[--root /tmp/...]\n");
        return 2;
    }
    const std::string home = root + "/template";
    if (!Bench::isGenerated(root + "/generated", files)) {
        std::printf("generating %d cache files in %s ...\n", files, home.c_str());
        timed({"rm", "-rf", root});
        ::mkdir(root.c_str(), 0755);
        generateHome(home, files);
        Bench::markGenerated(root + "/generated", files);
    }
    std::fflush(stdout);

    // Dry run against du of the folders it measures; one warm-up each.
    const Env env = Bench::homeEnv(home);
    timed({mole, "clean", "--dry-run"}, env);
    timed({"du", "-sk", home + "/.cache"});
    std::vector<double> dry, du;
    for (int run = 0; run < runs; ++run) {
        dry.push_back(timed({mole, "clean", "--dry-run"}, env));
        du.push_back(timed({"du", "-sk", home + "/.cache"}));
    }

    // Clean against rm -rf, each on its own fresh copy of the template.
    std::vector<double> clean, rm;
    const std::string copy = root + "/copy";
    for (int run = 0; run < std::max(3, runs / 2); ++run) {
        timed({"rm", "-rf", copy});
        timed({"cp", "-a", home, copy});
        const Env copyEnv = Bench::homeEnv(copy);
        timed({mole, "clean", "--dry-run"}, copyEnv);  // the plan the clean follows
        clean.push_back(timed({mole, "clean", "--yes"}, copyEnv));
        timed({"rm", "-rf", copy});
        timed({"cp", "-a", home, copy});
        rm.push_back(timed({"rm", "-rf", copy + "/.cache"}));
    }
    timed({"rm", "-rf", copy});

    std::printf("%d cache files, medians of %d dry runs and %zu cleans\n", files, runs,
                clean.size());
    report("dry run / du -sk", Bench::median(dry), Bench::median(du), "du -sk", 1.0);
    report("clean / rm -rf", Bench::median(clean), Bench::median(rm), "rm -rf", 1.3);
    return 0;
}
