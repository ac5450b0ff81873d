#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QStandardPaths>
#include <QString>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Reads a freedesktop Trash the way a file manager restoring items does.
namespace TrashCheck {

// Empty when `originalPath` was moved to the Trash folder `trash` with a
// valid .trashinfo (a [Trash Info] group, Path= the percent-encoded
// absolute original path, a DeletionDate= of the form YYYY-MM-DDThh:mm:ss)
// whose item is present in Trash/files; otherwise what is wrong. Paths are
// exact bytes.
inline QString problemIn(const QByteArray &trash, const QByteArray &originalPath) {
    const QString original = QString::fromUtf8(originalPath);
    // Listed by bytes: names in the Trash need not be UTF-8.
    DIR *info = ::opendir(trash + "/info");
    if (!info)
        return original + u" is not in the Trash (no info folder)"_qs;
    QString problem = original + u" is not in the Trash"_qs;
    while (const dirent *entry = ::readdir(info)) {
        const QByteArray name(entry->d_name);
        QByteArray text(4096, 0);
        const int fd = name.endsWith(".trashinfo")
                           ? ::open(trash + "/info/" + name, O_RDONLY | O_NONBLOCK)
                           : -1;
        const ssize_t n = fd >= 0 ? ::read(fd, text.data(), size_t(text.size())) : -1;
        if (fd >= 0)
            ::close(fd);
        if (n < 0)
            continue;
        const QList<QByteArray> lines = text.left(n).split('\n');
        if (lines.value(0) != "[Trash Info]") {
            problem = u"no [Trash Info] group in "_qs + QString::fromUtf8(name);
            break;
        }
        QByteArray path;
        QDateTime deleted;
        for (const QByteArray &line : lines) {
            if (line.startsWith("Path="))
                path = QByteArray::fromPercentEncoding(line.mid(5));
            else if (line.startsWith("DeletionDate="))
                deleted = QDateTime::fromString(QString::fromLatin1(line.mid(13)), Qt::ISODate);
        }
        if (path != originalPath)
            continue;
        struct stat st;
        const QByteArray item = trash + "/files/" + name.chopped(10);
        if (!deleted.isValid())
            problem = u"no valid DeletionDate for "_qs + original;
        else if (name.size() > 255 || ::lstat(item.constData(), &st) != 0)
            problem = u"the .trashinfo of "_qs + original + u" has no item in Trash/files"_qs;
        else
            problem.clear();
        break;
    }
    ::closedir(info);
    return problem;
}

// The same for the user's home Trash ($XDG_DATA_HOME/Trash).
inline QString problemWith(const QByteArray &originalPath) {
    return problemIn(
        QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                          u"/Trash"_qs),
        originalPath);
}
inline QString problemWith(const QString &originalPath) {
    return problemWith(originalPath.toUtf8());
}

}  // namespace TrashCheck
