#include "analyze/AnalyzeCommand.h"

#include "analyze/Classify.h"
#include "analyze/Walker.h"
#include "common/Output.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>

namespace mole::analyze {

namespace {

constexpr size_t kLargeFileCount = 20;

std::string isoTime(int64_t seconds) {
    time_t time = time_t(seconds);
    tm utc{};
    gmtime_r(&time, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

// A deep tree keeps one folder open per level on each thread.
void allowManyOpenFiles() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// Walking is mostly waiting on the kernel; a second thread per core keeps the
// cores busy while one blocks on a cold disk. MOLE_ANALYZE_THREADS overrides
// the count (for measuring how the walk scales).
unsigned threadCount() {
    if (const char *forced = std::getenv("MOLE_ANALYZE_THREADS"); forced && std::atoi(forced) > 0)
        return std::min(unsigned(std::atoi(forced)), 256u);
    return std::clamp(std::thread::hardware_concurrency() * 2, 2u, 32u);
}

Json entryJson(const Classifier &classifier, std::string_view name, const std::string &path,
               bool isDir, int64_t bytes, int64_t lastAccess) {
    Flags flags = classifier.classify({path, name, isDir, bytes, lastAccess});
    Json entry = {{"name", name},
                  {"path", path},
                  {"size", bytes},
                  {"is_dir", isDir},
                  {"cleanable", flags.cleanable},
                  {"insight", flags.insight}};
    if (lastAccess > 0)
        entry["last_access"] = isoTime(lastAccess);
    return entry;
}

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

int run(int argc, char **argv) {
    std::string path = "/";
    bool pathGiven = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--json")
            continue;
        if (pathGiven || (arg.starts_with("-") && arg != "-")) {
            printError("analyze", "usage: analyze --json [absolute folder path]");
            return 2;
        }
        path = argv[i];
        pathGiven = true;
    }
    if (path.empty() || path.front() != '/') {
        printError("analyze", "the folder must be given as an absolute path");
        return 2;
    }
    path = withoutTrailingSlashes(path);
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        int error = errno;
        printError("analyze", error == ENOTDIR || error == ELOOP
                                  ? std::string("not a folder")
                                  : std::string("cannot read the folder: ") + std::strerror(error));
        return 1;
    }
    allowManyOpenFiles();
    FolderUsage usage = measureFolder(fd, path, {threadCount(), kLargeFileCount});
    ::close(fd);

    std::sort(usage.children.begin(), usage.children.end(),
              [](const ChildUsage &a, const ChildUsage &b) {
                  return a.bytes != b.bytes ? a.bytes > b.bytes : a.name < b.name;
              });
    const char *home = std::getenv("HOME");
    Classifier classifier(home ? home : "", int64_t(std::time(nullptr)));
    Json entries = Json::array();
    for (const ChildUsage &child : usage.children) {
        std::string childPath = joinPath(path, child.name);
        entries.push_back(entryJson(classifier, child.name, childPath, child.isDir, child.bytes,
                                    child.lastAccess));
    }
    Json largeFiles = Json::array();
    for (const LargeFile &file : usage.largeFiles) {
        std::string_view name = std::string_view(file.path).substr(file.path.rfind('/') + 1);
        largeFiles.push_back(
            entryJson(classifier, name, file.path, false, file.bytes, file.lastAccess));
    }
    Json report = {{"path", path},
                   {"entries", std::move(entries)},
                   {"large_files", std::move(largeFiles)},
                   {"total_size", usage.totalBytes},
                   {"unreadable_folders", usage.unreadableFolders}};
    return writeOut(jsonLine(report)) ? 0 : 1;
}

}  // namespace mole::analyze
