#include "common/DirectorySizes.h"

#include "common/Measure.h"
#include "common/SafeFile.h"
#include "common/Text.h"
#include "common/TrashWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mole {

bool isTrashEntryName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

void tidyDirectorySizes(const Home &home) {
    int dir = openFolderBeneath(home, home.data + "/Trash");
    if (dir < 0)
        return;
    int files = ::openat(dir, "files", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    int fd = openRegular(dir, "directorysizes", Links::refuse);
    std::optional<std::string> text = fd >= 0 ? readAll(fd) : std::nullopt;
    if (fd >= 0)
        ::close(fd);
    std::string kept;
    bool changed = false;
    forEachLine(text.value_or(std::string()), [&](std::string_view line) {
        size_t space = line.rfind(' ');
        const std::string name = space == std::string_view::npos
                                     ? std::string()
                                     : percentDecoded(line.substr(space + 1));
        struct stat st;
        bool present = isTrashEntryName(name) && files >= 0 &&
                       ::fstatat(files, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
        if (present) {
            kept.append(line);
            kept += '\n';
        } else {
            changed = true;
        }
    });
    if (changed) {
        // Written aside and renamed over, so a reader never sees half a file.
        // A stale or planted file of the temporary name is only a name to drop.
        const char *temporary = "directorysizes.new";
        ::unlinkat(dir, temporary, 0);
        int out = createNew(dir, temporary);
        if (out >= 0) {
            bool written = writeAll(out, kept);
            ::close(out);
            if (!written || ::renameat(dir, temporary, dir, "directorysizes") != 0)
                ::unlinkat(dir, temporary, 0);
        }
    }
    if (files >= 0)
        ::close(files);
    ::close(dir);
}

}  // namespace mole
