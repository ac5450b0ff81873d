// AppsModel's removal of an app: quit it, then hand it to the engine or move
// its planned files to the Trash, with the desktop's trash tool as a second
// try for what the first pass could not move.
#include <QFileInfo>
#include <QTimer>

#include "engine/Commands.h"
#include "engine/Engine.h"
#include "engine/Publish.h"
#include "platform/Background.h"
#include "platform/RunningApps.h"
#include "engine/TrashCommand.h"
#include "platform/Trash.h"
#include "uninstaller/AppsModel.h"

namespace {

// Present now, counting a link whose target is gone.
bool isPresent(const QString &path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

}  // namespace

void AppsModel::uninstall(const InstalledApp &app) {
    const auto cached = m_plans.constFind(app.path);
    if (cached == m_plans.cend())
        return;
    const Plan plan = *cached;
    setPreview(Preview::removing);
    // A retry always starts from a fresh dry run.
    m_plans.erase(cached);

    const QString path = app.path, id = app.bundleId;
    runInBackground(
        this,
        [path, id] {
            const QList<qint64> running = RunningApps::find(path, id);
            RunningApps::askToQuit(running);
            return !running.isEmpty();
        },
        [this, app, plan](bool wasRunning) { waitForQuit(app, plan, wasRunning ? quitPolls : 0); });
}

// Polls until no instance is left or the polls run out; removal goes ahead
// either way.
void AppsModel::waitForQuit(const InstalledApp &app, const Plan &plan, int pollsLeft) {
    if (pollsLeft == 0) {
        if (app.isRemovedByEngine())
            removeWithEngine(app, plan);
        else
            moveToTrash(app, plan);
        return;
    }
    const QString path = app.path, id = app.bundleId;
    runInBackground(
        this, [path, id] { return !RunningApps::find(path, id).isEmpty(); },
        [this, app, plan, pollsLeft](bool stillRunning) {
            if (!stillRunning) {
                waitForQuit(app, plan, 0);
                return;
            }
            QTimer::singleShot(quitPollInterval, this, [this, app, plan, pollsLeft] {
                waitForQuit(app, plan, pollsLeft - 1);
            });
        });
}

void AppsModel::removeWithEngine(const InstalledApp &app, const Plan &plan) {
    Engine::output(
        Commands::uninstall(app.uninstallName), this, [this, app, plan](const Engine::Output &out) {
            // Only the app's absence counts, never what the engine says.
            if (!isPresent(app.path)) {
                finish(app, plan.total);
                return;
            }
            const std::optional<QString> said =
                out.error ? std::nullopt : UninstallReport::failureIn(out.text);
            const QString message =
                said.value_or(app.name + tr(" couldn't be removed. Quit it and try again."));
            setPreview(Preview::withMessage(Preview::failed, message));
        });
}

void AppsModel::moveToTrash(const InstalledApp &app, const Plan &plan) {
    // The exact paths the dry run listed; one already gone counts as moved.
    QList<QByteArray> paths;
    for (const Leftover &file : plan.files) paths.append(file.target());
    Trash::moveToTrash(paths, this, [this, app, plan](const QList<Trash::Outcome> &outcomes) {
        QList<QByteArray> failed;
        for (const Trash::Outcome &outcome : outcomes) {
            if (outcome.status == Trash::Outcome::failed) {
                failed.append(outcome.path);
            } else if (outcome.status != Trash::Outcome::moved) {
                // A protected place, or one that changed: no other tool may
                // move it either, and the app is not fully removed.
                setPreview(Preview::withMessage(Preview::failed, outcome.message));
                return;
            }
        }
        if (failed.isEmpty())
            finish(app, plan.total);
        else
            moveWithDesktopTool(app, plan, failed);
    });
}

// The second try, for what the file system did not let the engine move.
void AppsModel::moveWithDesktopTool(const InstalledApp &app, const Plan &plan,
                                    const QList<QByteArray> &failed) {
    runInBackground(
        this, [failed] { return Trash::moveWithDesktopTool(failed); },
        [this, app, plan, n = failed.size()](const Trash::FallbackRun &run) {
            const FallbackResult result = fallbackResult(run);
            if (result.kind == FallbackResult::ok) {
                finish(app, plan.total);
            } else if (result.kind == FallbackResult::cancelled) {
                setPreview(Preview::withMessage(
                    Preview::failed, QString::number(n) + tr(" protected item") +
                                         (n == 1 ? QString() : u"s"_qs) +
                                         tr(" need your admin password. Select ") + app.name +
                                         tr(" and try again.")));
            } else {
                setPreview(Preview::withMessage(Preview::failed, result.message));
            }
        });
}

AppsModel::FallbackResult AppsModel::fallbackResult(const Trash::FallbackRun &run) {
    if (!run.started)
        return {FallbackResult::failed, tr("Couldn't ask Finder to move the files.")};
    if (run.exitCode == 0)
        return {FallbackResult::ok, {}};
    // gio's reasons, read in the C locale it was started with.
    if (run.errorOutput.contains(u"cancelled"_qs, Qt::CaseInsensitive))
        return {FallbackResult::cancelled, {}};
    if (run.errorOutput.contains(u"Permission denied"_qs) ||
        run.errorOutput.contains(u"not permitted"_qs))
        return {FallbackResult::failed,
                tr("Brightloft isn't allowed to use Finder. Turn it on in Settings → "
                   "Automation, then try again.")};
    return {FallbackResult::failed, tr("Finder couldn't move some files to the Trash.")};
}

void AppsModel::finish(const InstalledApp &app, const QString &freed) {
    QList<InstalledApp> apps = m_apps;
    apps.removeIf([&app](const InstalledApp &a) { return a.path == app.path; });
    publish(this, m_apps, apps, &AppsModel::appsChanged);
    setPreview(Preview::withMessage(
        Preview::removed, app.name + tr(" is in the Trash \u00b7 ") + freed + tr(" freed.")));
    publish(this, m_selection, std::nullopt, &AppsModel::selectionChanged);
}
