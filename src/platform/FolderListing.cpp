#include "platform/FolderListing.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FolderListing {

QList<Entry> entries(const QString &path) {
    QList<Entry> out;
    const int dirFd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return out;
    DIR *dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return out;
    }
    while (const dirent *item = ::readdir(dir)) {
        const char *name = item->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        Entry entry{QFile::decodeName(name)};
        struct stat info {};
        if (item->d_type == DT_DIR)
            entry.isDir = true;
        else if (::fstatat(dirFd, name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
            entry.isDir = S_ISDIR(info.st_mode);
            entry.bytes = entry.isDir ? 0 : qint64(info.st_blocks) * 512;
        }
        out.append(std::move(entry));
    }
    ::closedir(dir);
    return out;
}

}  // namespace FolderListing
