#include "permissions/Automation.h"

#include <QPromise>
#include <QTimer>
#include <QtConcurrent>

#include <memory>

#include "platform/Privacy.h"

namespace Automation {

const QList<Target> &targets() {
    static const QList<Target> list{{u"System Events"_qs, u"com.apple.systemevents"_qs},
                                    {u"Finder"_qs, u"com.apple.finder"_qs}};
    return list;
}

State stateFromStatus(int status) {
    constexpr int noErr = 0;
    constexpr int errAEEventNotPermitted = -1743;
    if (status == noErr)
        return State::granted;
    if (status == errAEEventNotPermitted)
        return State::denied;
    // Consent not yet given (-1744), target not running (-600), and the rest.
    return State::undetermined;
}

static QFuture<State> determine(const QString &bundleId, bool askUser) {
    return QtConcurrent::run([bundleId, askUser] {
        return stateFromStatus(Privacy::automationStatus(bundleId, askUser));
    });
}

QFuture<State> check(const QString &bundleId) {
    return determine(bundleId, false);
}

QFuture<State> request(const QString &bundleId) {
    return determine(bundleId, true);
}

QFuture<void> launchIfNeeded(const QString &bundleId) {
    auto settled = std::make_shared<QPromise<void>>();
    settled->start();
    if (!Privacy::launchInBackground(bundleId)) {
        settled->finish();
        return settled->future();
    }
    QTimer::singleShot(400, [settled] { settled->finish(); });
    return settled->future();
}

}  // namespace Automation
