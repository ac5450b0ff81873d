#include "clean/Maven.h"

#include "clean/Places.h"
#include "common/Text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mole::clean {

namespace {

constexpr int kDeepest = 24;  // group ids nest one folder per word
constexpr off_t kLargestRecord = 1 << 16;

enum class Origin { none, remote, local };

Origin originOf(const Home &home, const std::string &folder) {
    int dir = openFolder(home, folder);
    if (dir < 0)
        return Origin::none;
    int fd = ::openat(dir, "_remote.repositories",
                      O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    ::close(dir);
    if (fd < 0)
        return Origin::none;
    std::string text;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kLargestRecord) {
        char buffer[8192];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
            text.append(buffer, size_t(n));
    }
    ::close(fd);
    Origin origin = Origin::none;
    forEachLine(text, [&](std::string_view raw) {
        std::string_view line = trim(raw);
        size_t arrow = line.find('>');
        if (line.starts_with('#') || arrow == std::string_view::npos || !line.ends_with('='))
            return;
        const bool fromRepository = line.size() - arrow > 2;  // ">central=", not ">="
        if (!fromRepository)
            origin = Origin::local;
        else if (origin == Origin::none)
            origin = Origin::remote;
    });
    return origin;
}

void collect(const Home &home, const std::string &folder, int depth, std::vector<Measured> &found) {
    std::vector<FolderEntry> entries = entriesOf(home, folder);
    for (const FolderEntry &entry : entries)
        if (entry.name == "_remote.repositories" && !entry.folder) {
            if (originOf(home, folder) == Origin::remote)
                if (std::optional<Measured> place = measure(home, folder))
                    found.push_back(*place);
            return;
        }
    if (depth >= kDeepest)
        return;
    for (const FolderEntry &entry : entries)
        if (entry.folder)
            collect(home, folder + "/" + entry.name, depth + 1, found);
}

}  // namespace

std::vector<Measured> remoteMavenArtifacts(const Home &home) {
    std::vector<Measured> found;
    collect(home, home.path + "/.m2/repository", 0, found);
    return found;
}

}  // namespace mole::clean
