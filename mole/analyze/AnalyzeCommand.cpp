#include "analyze/AnalyzeCommand.h"

#include "analyze/Classify.h"
#include "analyze/Report.h"
#include "analyze/Table.h"
#include "common/FileLimit.h"
#include "common/Output.h"
#include "common/WalkScope.h"
#include "walk/Walker.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace mole::analyze {

namespace {

constexpr size_t kLargeFileCount = 20;

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

int run(int argc, char **argv) {
    std::string path = "/";
    bool pathGiven = false;
    bool json = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--json") {
            json = true;
            continue;
        }
        if (pathGiven || (arg.starts_with("-") && arg != "-")) {
            printError("analyze", "usage: analyze [--json] [absolute folder path]");
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
    raiseOpenFileLimit();
    walk::FolderUsage usage = walk::measureFolder(
        fd, path, {walk::defaultThreadCount(), kLargeFileCount, nullptr, walkableMounts()});
    ::close(fd);

    std::sort(usage.children.begin(), usage.children.end(),
              [](const walk::ChildUsage &a, const walk::ChildUsage &b) {
                  return a.bytes != b.bytes ? a.bytes > b.bytes : a.name < b.name;
              });
    if (!json && ::isatty(STDOUT_FILENO))
        return printTable(path, usage) ? 0 : 1;
    const char *home = std::getenv("HOME");
    Classifier classifier(home ? home : "", int64_t(std::time(nullptr)));
    return writeReport(path, usage, classifier) ? 0 : 1;
}

}  // namespace mole::analyze
