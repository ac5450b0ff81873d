#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Every engine invocation the app makes, in one place: no model spells
// arguments or standard input itself.
struct Invocation {
    QStringList args;
    std::optional<QString> input;  // standard input text; none means the null device
    // A longer output line is cut to this many bytes before it is decoded
    // (the rest is dropped, with a note), so a runaway line costs no more.
    // Text reports and status readings are short lines; the JSON reports
    // that can be long get a limit of their own.
    qsizetype lineLimit = 1'000'000;
};

namespace Commands {

Invocation cleanDryRun();
Invocation clean();
// The keep list: keep what a report item names (by its label), release a
// kept path, list the kept paths.
Invocation cleanKeep(const QString &label);
Invocation cleanRelease(const QString &path);
Invocation cleanKept();
Invocation optimize(bool dryRun);
Invocation statusWatch();
// The whole computer when `folder` is empty, else that absolute folder.
Invocation analyze(const QString &folder = {});
Invocation uninstallList();
Invocation uninstallDryRun(const QString &uninstallName);
Invocation uninstall(const QString &uninstallName);
// Moves paths to the Trash; the paths go to its input as NUL-separated bytes
// (Trash::moveToTrash), not as text.
Invocation trash();

}  // namespace Commands
