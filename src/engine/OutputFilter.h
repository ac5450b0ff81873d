#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

// What of the engine's raw output reaches callers, and how.
namespace Engine {

// One raw line with terminal escape sequences removed and only the last
// carriage-return redraw kept.
QString clean(QStringView raw);

// True when a cleaned line must not reach callers: blank, or naming the
// engine or one of its commands.
bool isFiltered(QStringView cleaned);

// One raw line as callers see it: cleaned, or a null string when filtered.
QString shownLine(QByteArrayView raw);

// The engine reports an error as one line "mole <command>: <message>" (or
// "mole: <message>") before a non-zero exit: the message, or none when the
// line is no such report.
std::optional<QString> errorReport(const QString &line);

}  // namespace Engine
