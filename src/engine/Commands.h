#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Every engine invocation the app makes, in one place: no model spells
// arguments or standard input itself.
struct Invocation {
    QStringList args;
    std::optional<QString> input;  // standard input text; none means the null device
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

}  // namespace Commands
