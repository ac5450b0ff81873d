#include "uninstaller/AppsModel.h"

#include "engine/Commands.h"
#include "engine/Engine.h"
#include "engine/Publish.h"
#include "engine/Report.h"
#include "engine/Size.h"
#include "engine/SizeMarkers.h"
#include "platform/AppIcons.h"
#include "platform/Background.h"
#include "platform/DiskUsage.h"

namespace {

const QString kNoTotal = u"\u2014"_qs;  // an em dash

}  // namespace

AppsModel::Preview AppsModel::Preview::ofPlan(const Plan &plan) {
    Preview p(files);
    p.plan = plan;
    return p;
}

AppsModel::Preview AppsModel::Preview::withMessage(Kind kind, const QString &message) {
    Preview p(kind);
    p.message = message;
    return p;
}

AppsModel::AppsModel(QObject *parent) : QObject(parent) {}

void AppsModel::setPreview(const Preview &preview) {
    publish(this, m_preview, preview, &AppsModel::previewChanged);
}

void AppsModel::load() {
    if (!m_apps.isEmpty() || m_loading)
        return;
    publish(this, m_loading, true, &AppsModel::loadingChanged);
    Engine::output(Commands::uninstallList(), this, [this](const Engine::Output &out) {
        QList<InstalledApp> apps;
        std::optional<QString> failure = out.error;
        if (!failure && !out.text.contains(u'[')) {
            // No list at all: what the engine said instead is the reason.
            // (A missing engine has its own message, from the run.)
            const QString said = out.text.section(u'\n', -1).trimmed();
            failure = said.isEmpty() ? tr("The cleaning engine gave no list of apps.") : said;
        }
        if (!failure) {
            try {
                apps = InstalledApp::listFromOutput(out.text);
            } catch (const Json::Error &e) {
                failure = QString::fromUtf8(e.what());
            }
        }
        if (failure) {
            publish(this, m_error, failure, &AppsModel::errorChanged);
            publish(this, m_loading, false, &AppsModel::loadingChanged);
            return;
        }
        publish(this, m_apps, apps, &AppsModel::appsChanged);
        QStringList paths;
        for (const InstalledApp &app : std::as_const(m_apps)) paths.append(app.path);
        runInBackground(
            this, [paths] { return measure(paths); },
            [this](const QHash<QString, qint64> &sizes) {
                publish(this, m_sizes, sizes, &AppsModel::sizesChanged);
                publish(this, m_loading, false, &AppsModel::loadingChanged);
            });
    });
}

QIcon AppsModel::icon(const InstalledApp &app) {
    auto it = m_icons.find(app.path);
    if (it == m_icons.end())
        it = m_icons.insert(app.path, AppIcons::forApp(app.path, app.bundleId));
    return *it;
}

void AppsModel::select(const std::optional<QString> &path) {
    publish(this, m_selection, path, &AppsModel::selectionChanged);
    const auto app = std::find_if(m_apps.cbegin(), m_apps.cend(),
                                  [&](const InstalledApp &a) { return path && a.path == *path; });
    if (app == m_apps.cend()) {
        setPreview(Preview::none);
        return;
    }
    if (const auto cached = m_plans.constFind(app->path); cached != m_plans.cend()) {
        setPreview(Preview::ofPlan(*cached));
        return;
    }
    setPreview(Preview::loading);
    plan(*app, [this, path](const std::optional<Plan> &result) {
        if (m_selection != path)
            return;  // the user moved on; the plan stays cached
        setPreview(
            result ? Preview::ofPlan(*result)
                   : Preview::withMessage(Preview::failed, tr("Couldn't list this app's files.")));
    });
}

void AppsModel::prefetch(const InstalledApp &app) {
    if (m_plans.contains(app.path) || m_inflight.contains(app.path) ||
        m_inflight.size() >= maxPrefetches)
        return;
    plan(app, {});
}

void AppsModel::plan(const InstalledApp &app, PlanWaiter waiter) {
    auto running = m_inflight.find(app.path);
    const bool started = running != m_inflight.end();
    if (!started)
        running = m_inflight.insert(app.path, {});
    if (waiter)
        running->append(std::move(waiter));
    if (started)
        return;
    const QString path = app.path;
    Engine::output(Commands::uninstallDryRun(app.uninstallName), this,
                   [this, path](const Engine::Output &out) {
                       std::optional<Plan> result;
                       if (!out.error) {
                           result = Plan{leftovers(out.text), planTotal(out.text)};
                           m_plans.insert(path, *result);
                       }
                       const QList<PlanWaiter> waiters = m_inflight.take(path);
                       for (const PlanWaiter &w : waiters) w(result);
                   });
}

QList<AppsModel::Leftover> AppsModel::leftovers(const QString &output) {
    return UninstallReport::leftovers(output);
}

QString AppsModel::planTotal(const QString &output) {
    const std::optional<qint64> bytes = SizeMarkers::firstSizeIn(output);
    return bytes ? Size::format(*bytes) : kNoTotal;
}

QHash<QString, qint64> AppsModel::measure(const QStringList &paths) {
    return DiskUsage::of(paths);
}

QHash<QString, qint64> AppsModel::parseDu(const QByteArray &output) {
    return DiskUsage::parse(output);
}
