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
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Env = std::vector<std::pair<std::string, std::string>>;

// Runs a command to its end with output to /dev/null; returns wall seconds.
double timed(const std::vector<std::string> &command, const Env &env = {}) {
    auto start = std::chrono::steady_clock::now();
    pid_t child = ::fork();
    if (child == 0) {
        for (const auto &[name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
        int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        std::vector<char *> argv;
        for (const std::string &arg : command) argv.push_back(const_cast<char *>(arg.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) >= 126)
        std::fprintf(stderr, "warning: %s did not run cleanly\n", command[0].c_str());
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void writeBytes(const std::string &path, size_t bytes) {
    static const std::string data(64 * 1024, 'x');
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return;
    if (bytes > 0)
        (void)!::write(fd, data.data(), std::min(bytes, data.size()));
    ::close(fd);
}

// Application caches of many shapes: a few large ones, many small, nested
// two or three levels, small files as caches hold them.
void generateHome(const std::string &home, int files) {
    std::mt19937 random(7);
    for (const char *folder : {"", "/.cache", "/.config", "/.local", "/.local/share", "/.local/state"})
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
                writeBytes((i % 2 ? sub : dir) + "/f" + std::to_string(i), random() % 6000);
        }
    }
    FILE *marker = std::fopen((home + "/../generated").c_str(), "w");
    if (marker) {
        std::fprintf(marker, "%d\n", files);
        std::fclose(marker);
    }
}

bool homeIsCurrent(const std::string &root, int files) {
    FILE *marker = std::fopen((root + "/generated").c_str(), "r");
    if (!marker)
        return false;
    int recorded = 0;
    bool current = std::fscanf(marker, "%d", &recorded) == 1 && recorded == files;
    std::fclose(marker);
    return current;
}

Env homeEnv(const std::string &home) {
    return {{"HOME", home},
            {"XDG_CACHE_HOME", home + "/.cache"},
            {"XDG_CONFIG_HOME", home + "/.config"},
            {"XDG_DATA_HOME", home + "/.local/share"},
            {"XDG_STATE_HOME", home + "/.local/state"}};
}

void report(const char *what, double engine, double baseline, const char *baselineName,
            double target) {
    double ratio = engine / baseline;
    std::printf("%-28s mole %7.3f s   %-8s %7.3f s   ratio %.2f (target <= %.1f)  %s\n", what,
                engine, baselineName, baseline, ratio, target, ratio <= target ? "PASS" : "MISS");
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
        std::fprintf(stderr, "usage: bench_clean --mole <engine> [--runs 5] [--files 200000] "
                             "[--root /tmp/...]\n");
        return 2;
    }
    const std::string home = root + "/template";
    if (!homeIsCurrent(root, files)) {
        std::printf("generating %d cache files in %s ...\n", files, home.c_str());
        timed({"rm", "-rf", root});
        ::mkdir(root.c_str(), 0755);
        generateHome(home, files);
    }
    std::fflush(stdout);

    // Dry run against du of the folders it measures; one warm-up each.
    const Env env = homeEnv(home);
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
        const Env copyEnv = homeEnv(copy);
        timed({mole, "clean", "--dry-run"}, copyEnv);  // the plan the clean follows
        clean.push_back(timed({mole, "clean", "--yes"}, copyEnv));
        timed({"rm", "-rf", copy});
        timed({"cp", "-a", home, copy});
        rm.push_back(timed({"rm", "-rf", copy + "/.cache"}));
    }
    timed({"rm", "-rf", copy});

    std::printf("%d cache files, medians of %d dry runs and %zu cleans\n", files, runs,
                clean.size());
    report("dry run / du -sk", median(dry), median(du), "du -sk", 1.0);
    report("clean / rm -rf", median(clean), median(rm), "rm -rf", 1.3);
    return 0;
}
