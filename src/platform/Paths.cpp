#include "platform/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "BuildInfo.h"

namespace Paths {

QString resources() {
    const QString override = qEnvironmentVariable("BRIGHTLOFT_RESOURCES");
    if (!override.isEmpty())
        return QDir::cleanPath(override);
    if (QCoreApplication::instance()) {
        const QString installed =
            QDir::cleanPath(QCoreApplication::applicationDirPath() + u"/../share/brightloft"_qs);
        if (QFileInfo(installed).isDir())
            return installed;
    }
    const QString built = QString::fromUtf8(BuildInfo::buildResourcesDir);
    return QFileInfo(built).isDir() ? built : QString();
}

QString home() {
    QString h = qEnvironmentVariable("HOME");
    if (h.isEmpty())
        h = QDir::homePath();
    while (h.size() > 1 && h.endsWith(u'/')) h.chop(1);
    return h;
}

QString expandTilde(const QString &path) {
    if (path == u"~"_qs || path.startsWith(u"~/"_qs))
        return home() + path.mid(1);
    return path;
}

}  // namespace Paths
