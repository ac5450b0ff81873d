#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

// Reads what the engine prints when it removes an app, or would.

// One file or folder a dry run would remove.
struct Leftover {
    QUuid id;      // fresh per parsed line
    QString path;  // as the engine printed it, maybe starting with "~"
    QString size;  // as the engine printed it; may be empty
    // The path's exact bytes, when the engine gave them (a third field of
    // hexadecimal bytes); what the removal trashes. The shown path is
    // escaped for display and can't name every file.
    QByteArray exactPath;

    // What the removal hands to the Trash.
    QByteArray target() const;

    bool operator==(const Leftover &) const = default;
};

namespace UninstallReport {

// The leftover lines of a dry run: "✓ " + path + " , " + size, maybe
// followed by " , " + the path's bytes in hexadecimal. The path starts with
// "/" or "~"; other lines are skipped.
QList<Leftover> leftovers(QStringView output);

// Why a removal failed, in the engine's words: the last line that speaks of
// a failure or a denial, without the status symbols in front. None when no
// line does.
std::optional<QString> failureIn(QStringView output);

}  // namespace UninstallReport
