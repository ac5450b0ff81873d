#include "permissions/FullDiskAccess.h"

#include <QCoreApplication>

#include <algorithm>

#include "platform/Privacy.h"
#include "platform/Relaunch.h"

namespace FullDiskAccess {

bool isGranted() {
    const QList<Privacy::Probe> probes = Privacy::fullDiskAccessProbes();
    return std::any_of(probes.cbegin(), probes.cend(), Privacy::succeeds);
}

void openSettings(const QString &anchor) {
    Privacy::openSettings(anchor);
}

void relaunch() {
    Relaunch::schedule();
    QCoreApplication::quit();
}

}  // namespace FullDiskAccess
