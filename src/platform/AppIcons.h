#pragma once

#include <QIcon>
#include <QString>

// An application's icon: on Linux the Icon= of its desktop entry, looked up
// through the icon theme (or taken as a file when it is a path), else the
// icon of the app's file type.
namespace AppIcons {

// `desktopId` with or without its ".desktop" suffix.
QIcon forApp(const QString &appPath, const QString &desktopId);

// The Icon= value of the desktop entry `desktopId` in the user's and the
// system's application folders; empty when there is none.
QString iconName(const QString &desktopId);

}  // namespace AppIcons
