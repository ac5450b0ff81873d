#include "engine/Commands.h"

namespace Commands {

static const QString kYes = u"y\n\n"_qs;  // answers the engine's confirmation prompt

Invocation cleanDryRun() {
    return {{u"clean"_qs, u"--dry-run"_qs}, std::nullopt};
}
Invocation clean() {
    return {{u"clean"_qs}, std::nullopt};
}
Invocation cleanKeep(const QString &label) {
    return {{u"clean"_qs, u"--keep"_qs, label}, std::nullopt};
}
Invocation cleanRelease(const QString &path) {
    return {{u"clean"_qs, u"--release"_qs, path}, std::nullopt};
}
Invocation cleanKept() {
    return {{u"clean"_qs, u"--kept"_qs}, std::nullopt};
}

Invocation optimize(bool dryRun) {
    if (dryRun)
        return {{u"optimize"_qs, u"--dry-run"_qs}, std::nullopt};
    return {{u"optimize"_qs}, std::nullopt};
}

Invocation statusWatch() {
    return {{u"status"_qs, u"--watch"_qs, u"--interval"_qs, u"2s"_qs}, std::nullopt};
}

Invocation analyze(const QString &folder) {
    QStringList args{u"analyze"_qs, u"--json"_qs};
    if (!folder.isEmpty())
        args << folder;
    return {args, std::nullopt};
}

Invocation uninstallList() {
    return {{u"uninstall"_qs, u"--list"_qs}, std::nullopt};
}

Invocation uninstallDryRun(const QString &uninstallName) {
    return {{u"uninstall"_qs, u"--dry-run"_qs, uninstallName}, kYes};
}

Invocation uninstall(const QString &uninstallName) {
    return {{u"uninstall"_qs, uninstallName}, kYes};
}

}  // namespace Commands
