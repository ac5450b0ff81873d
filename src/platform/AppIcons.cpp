#include "platform/AppIcons.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QStandardPaths>

namespace AppIcons {

namespace {

// The Icon= key of the [Desktop Entry] group; other groups (actions) have
// their own icons.
QString iconKey(const QString &desktopFile) {
    QFile file(desktopFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    bool inEntry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'['))
            inEntry = line == u"[Desktop Entry]"_qs;
        else if (inEntry && line.startsWith(u"Icon"_qs)) {
            const qsizetype eq = line.indexOf(u'=');
            if (eq > 0 && QStringView(line).left(eq).trimmed() == u"Icon"_qs)
                return line.mid(eq + 1).trimmed();
        }
    }
    return {};
}

// Icons installed outside a theme the desktop knows: the hicolor folders and
// pixmaps of every data folder, largest picture first.
QIcon fromDataFolders(const QString &name) {
    QIcon icon;
    const QStringList roots =
        QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    for (const QString &root : roots) {
        QStringList candidates;
        const QDir hicolor(root + u"/icons/hicolor"_qs);
        for (const QString &size : hicolor.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            for (const char *ext : {".png", ".svg"})
                candidates << hicolor.filePath(size + u"/apps/"_qs + name + QLatin1String(ext));
        for (const char *ext : {".png", ".svg", ".xpm"})
            candidates << root + u"/pixmaps/"_qs + name + QLatin1String(ext);
        for (const QString &file : candidates)
            if (QFileInfo(file).isFile())
                icon.addFile(file);
    }
    return icon;
}

}  // namespace

QString iconName(const QString &desktopId) {
    if (desktopId.isEmpty())
        return {};
    const QString file =
        desktopId.endsWith(u".desktop"_qs) ? desktopId : desktopId + u".desktop"_qs;
    const QString entry = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, file);
    return entry.isEmpty() ? QString() : iconKey(entry);
}

QIcon forApp(const QString &appPath, const QString &desktopId) {
    const QString name = iconName(desktopId);
    if (!name.isEmpty()) {
        if (QDir::isAbsolutePath(name)) {
            if (QFileInfo(name).isFile())
                return QIcon(name);
        } else {
            QIcon icon = QIcon::fromTheme(name);
            if (icon.isNull())
                icon = fromDataFolders(name);
            if (!icon.isNull())
                return icon;
        }
    }
    const QMimeType type = QMimeDatabase().mimeTypeForFile(appPath);
    return QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
}

}  // namespace AppIcons
