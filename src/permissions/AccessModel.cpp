#include "permissions/AccessModel.h"

#include <algorithm>

#include "permissions/FullDiskAccess.h"
#include "platform/Background.h"
#include "platform/UserDefaults.h"

AccessModel::RowState AccessModel::fullDiskAccessState(bool fda, bool openedSettings) {
    if (fda)
        return RowState::granted;
    return openedSettings ? RowState::waiting : RowState::needed;
}

AccessModel::RowState AccessModel::automationState(
    bool asked, const QHash<QString, Automation::State> &answers) {
    if (!asked)
        return RowState::needed;
    const bool allGranted = !answers.isEmpty() &&
                            std::all_of(answers.cbegin(), answers.cend(), [](Automation::State s) {
                                return s == Automation::State::granted;
                            });
    return allGranted ? RowState::granted : RowState::partial;
}

AccessModel::AccessModel(QObject *parent) : QObject(parent), m_fda(FullDiskAccess::isGranted()) {
    m_poll.setInterval(pollMs);
    connect(&m_poll, &QTimer::timeout, this, &AccessModel::poll);
}

bool AccessModel::automationAsked() const {
    return UserDefaults::flag(UserDefaults::automationAsked);
}

bool AccessModel::automationDeclined() const {
    return automationAsked() &&
           std::any_of(m_automation.cbegin(), m_automation.cend(),
                       [](Automation::State s) { return s == Automation::State::denied; });
}

void AccessModel::openFullDiskAccessSettings() {
    FullDiskAccess::openSettings(QString::fromLatin1(FullDiskAccess::allFilesPage));
    m_openedSettings = true;
    Q_EMIT changed();
}

void AccessModel::requestAutomation() {
    if (m_asking)
        return;
    m_asking = true;
    Q_EMIT changed();
    askNext(0);
}

void AccessModel::askNext(qsizetype index) {
    const QList<Automation::Target> &targets = Automation::targets();
    if (index >= targets.size()) {
        m_asking = false;
        UserDefaults::setFlag(UserDefaults::automationAsked, true);
        Q_EMIT changed();
        return;
    }
    const QString bundleId = targets[index].bundleId;
    // Answers arrive on this model's thread and are dropped once it is gone.
    whenFinished(this, Automation::launchIfNeeded(bundleId), [this, bundleId, index] {
        whenFinished(this, Automation::request(bundleId),
                     [this, bundleId, index](Automation::State state) {
                         m_automation.insert(bundleId, state);
                         askNext(index + 1);
                     });
    });
}

void AccessModel::setWatching(bool watching) {
    if (watching && !m_fda)
        m_poll.start();
    else
        m_poll.stop();
}

void AccessModel::poll() {
    if (m_fda || !FullDiskAccess::isGranted())
        return;
    m_fda = true;
    m_poll.stop();
    Q_EMIT changed();
}
