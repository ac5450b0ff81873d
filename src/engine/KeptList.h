#pragma once

#include <QStringList>

#include <optional>

// Reads what the engine prints about the keep list.
namespace KeptList {

// The kept paths of a "--kept" listing: lines "◎ " + path + " · " + note,
// paths as the engine shows them ("~/.cache/spotify").
QStringList paths(QStringView output);

// What the engine could not do, from its last "✗ " line, or none. Word
// joiners the engine sets into long names are dropped.
std::optional<QString> failureIn(QStringView output);

}  // namespace KeptList
