#pragma once

#include <QByteArray>
#include <QString>

// Reads a freedesktop Trash the way a file manager restoring items does.
namespace TrashCheck {

// Empty when `originalPath` was moved to the Trash folder `trash` with a
// valid .trashinfo (a [Trash Info] group, Path= the percent-encoded
// absolute original path, a DeletionDate= of the form YYYY-MM-DDThh:mm:ss)
// whose item is present in Trash/files; otherwise what is wrong. Paths are
// exact bytes.
QString problemIn(const QByteArray &trash, const QByteArray &originalPath);

// The same for the user's home Trash ($XDG_DATA_HOME/Trash).
QString problemWith(const QByteArray &originalPath);
inline QString problemWith(const QString &originalPath) {
    return problemWith(originalPath.toUtf8());
}

}  // namespace TrashCheck
