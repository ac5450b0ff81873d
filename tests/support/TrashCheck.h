#pragma once

#include <QString>

// Reads the user's freedesktop Trash ($XDG_DATA_HOME/Trash) the way a file
// manager restoring items does.
namespace TrashCheck {

// Empty when `originalPath` was moved to the Trash with a valid .trashinfo
// (a [Trash Info] group, Path= the percent-encoded absolute original path,
// a DeletionDate= of the form YYYY-MM-DDThh:mm:ss) whose item is present in
// Trash/files; otherwise what is wrong.
QString problemWith(const QString &originalPath);

}  // namespace TrashCheck
