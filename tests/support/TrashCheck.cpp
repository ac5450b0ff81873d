#include "support/TrashCheck.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

namespace TrashCheck {

QString problemWith(const QString &originalPath) {
    const QString trash =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/Trash"_qs;
    const QDir info(trash + u"/info"_qs);
    for (const QFileInfo &entry : info.entryInfoList({u"*.trashinfo"_qs}, QDir::Files)) {
        QFile file(entry.filePath());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> lines = file.readAll().split('\n');
        if (lines.value(0) != "[Trash Info]")
            return u"no [Trash Info] group in "_qs + entry.fileName();
        QString path;
        QDateTime deleted;
        for (const QByteArray &line : lines) {
            if (line.startsWith("Path="))
                path = QUrl::fromPercentEncoding(line.mid(5));
            else if (line.startsWith("DeletionDate="))
                deleted = QDateTime::fromString(QString::fromLatin1(line.mid(13)), Qt::ISODate);
        }
        if (path != originalPath)
            continue;
        if (!deleted.isValid())
            return u"no valid DeletionDate for "_qs + originalPath;
        const QFileInfo item(trash + u"/files/"_qs + entry.completeBaseName());
        if (!item.exists() && !item.isSymLink())
            return u"the .trashinfo of "_qs + originalPath + u" has no item in Trash/files"_qs;
        return {};
    }
    return originalPath + u" is not in the Trash"_qs;
}

}  // namespace TrashCheck
