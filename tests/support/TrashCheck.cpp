#include "support/TrashCheck.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace TrashCheck {

QString problemIn(const QByteArray &trash, const QByteArray &originalPath) {
    // Listed by bytes: names in the Trash need not be UTF-8.
    DIR *info = ::opendir(trash + "/info");
    if (!info)
        return QString::fromUtf8(originalPath) + u" is not in the Trash (no info folder)"_qs;
    QString problem = QString::fromUtf8(originalPath) + u" is not in the Trash"_qs;
    while (const dirent *entry = ::readdir(info)) {
        const QByteArray name(entry->d_name);
        if (!name.endsWith(".trashinfo"))
            continue;
        QByteArray text(4096, 0);
        const int fd = ::open(trash + "/info/" + name, O_RDONLY | O_NONBLOCK);
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
            problem = u"no valid DeletionDate for "_qs + QString::fromUtf8(originalPath);
        else if (name.size() > 255 || ::lstat(item.constData(), &st) != 0)
            problem = u"the .trashinfo of "_qs + QString::fromUtf8(originalPath) +
                      u" has no item in Trash/files"_qs;
        else
            problem.clear();
        break;
    }
    ::closedir(info);
    return problem;
}

QString problemWith(const QByteArray &originalPath) {
    return problemIn(
        QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                          u"/Trash"_qs),
        originalPath);
}

}  // namespace TrashCheck
