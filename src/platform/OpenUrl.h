#pragma once

#include <QString>
#include <QUrl>

// Handing a web address or a file to the desktop's default application.
namespace OpenUrl {

// False when the desktop has nothing that opens it.
bool open(const QUrl &url);

// Opens `relative` inside the resources folder; does nothing (false) when
// there is no resources folder or no such file.
bool openResource(const QString &relative);

}  // namespace OpenUrl
