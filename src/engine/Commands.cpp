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
    // One object listing every entry of the folder: about 200 bytes each.
    return {args, std::nullopt, qsizetype(1) << 30};
}

Invocation uninstallList() {
    return {{u"uninstall"_qs, u"--list"_qs}, std::nullopt, 64'000'000};
}

Invocation uninstallDryRun(const QString &uninstallName) {
    return {{u"uninstall"_qs, u"--dry-run"_qs, uninstallName}, kYes};
}

Invocation uninstall(const QString &uninstallName) {
    return {{u"uninstall"_qs, uninstallName}, kYes};
}

Invocation trash() {
    return {{u"trash"_qs, u"--stdin"_qs}, std::nullopt};
}

}  // namespace Commands
