#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include "theme/Color.h"

// `brightloft --screenshot FILE [--pane overview|clean|optimize|space|
// uninstall|setup|settings] [--light|--dark] [--wait MS] [--scan]`: renders
// one window offscreen into a PNG once its models have settled (or after MS),
// then quits. With --scan the pane first takes its first step, as a user
// would: Cleanup scans and Maintenance checks (both dry runs, nothing is
// removed), Space Lens measures the home folder, the Uninstaller lists the
// apps and shows the first one's files.
struct ScreenshotRequest {
    QString file;
    QString pane = u"overview"_qs;
    std::optional<Appearance> appearance;
    int waitMs = -1;  // none given: until settled, at most a few seconds
    bool scan = false;

    // None when `arguments` do not ask for a screenshot; an empty file when
    // they ask wrongly (the error is in `error`).
    static std::optional<ScreenshotRequest> parse(const QStringList &arguments);
    QString error;
};

namespace Screenshot {

// Takes the picture; returns the process exit status.
int take(const ScreenshotRequest &request);

}  // namespace Screenshot
