#include "app/Screenshot.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <QTimer>

#include <functional>
#include <memory>

#include "app/MainWindow.h"
#include "app/RootView.h"
#include "app/SettingsView.h"
#include "cleanup/CleanModel.h"
#include "maintenance/OptimizeModel.h"
#include "overview/StatusModel.h"
#include "platform/Paths.h"
#include "spacelens/SpaceModel.h"
#include "theme/Theme.h"
#include "uninstaller/AppsModel.h"

namespace {

constexpr int kSettleMs = 4000;
constexpr int kStepMs = 60000;
constexpr int kQuietMs = 300;

const QStringList &paneNames() {
    // In Pane order, then the two windows that are not panes.
    static const QStringList names{u"overview"_qs, u"clean"_qs, u"uninstall"_qs, u"space"_qs,
                                   u"optimize"_qs, u"setup"_qs, u"settings"_qs};
    return names;
}

void wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

using Finished = std::function<bool()>;

// Starts the pane's first step; the returned check says when it has ended
// (in success or failure), and may take the step's next move when polled.
Finished startFirstStep(RootView *root, Pane pane) {
    switch (pane) {
        case Pane::clean: {
            CleanModel *clean = root->clean();
            clean->scan();
            return [clean] { return clean->phase().kind != CleanModel::Phase::scanning; };
        }
        case Pane::optimize: {
            OptimizeModel *optimize = root->optimize();
            optimize->run(true);
            return [optimize] { return optimize->phase() != OptimizeModel::Phase::checking; };
        }
        case Pane::space: {
            SpaceModel *space = root->space();
            DiskEntry home;
            home.path = Paths::home();
            home.name = home.path.section(u'/', -1);
            home.size = DiskEntry::unmeasured;
            home.isDir = true;
            space->open(home);
            return [space, key = home.path] {
                return space->reports().contains(key) || space->error().has_value();
            };
        }
        case Pane::uninstall: {
            AppsModel *apps = root->apps();
            apps->load();
            return [apps] {
                if (apps->isLoading())
                    return false;
                if (apps->error() || apps->apps().isEmpty())
                    return true;
                if (!apps->selection())
                    apps->select(apps->apps().constFirst().path);
                const auto kind = apps->preview().kind;
                return kind == AppsModel::Preview::files || kind == AppsModel::Preview::failed;
            };
        }
        case Pane::overview:
            break;
    }
    return [] { return true; };
}

// Until the pane's first step has ended and the live status has its first
// reading (the top bar's pill), or the time runs out; then a short quiet
// spell for the last repaints.
void settle(const RootView *root, int waitMs, const Finished &stepFinished) {
    if (waitMs >= 0)
        return wait(waitMs);
    QElapsedTimer clock;
    clock.start();
    while (stepFinished && clock.elapsed() < kStepMs && !stepFinished()) wait(50);
    while (clock.elapsed() < kSettleMs && root && root->status()->isStreaming() &&
           !root->status()->snapshot())
        wait(50);
    wait(kQuietMs);
}

}  // namespace

std::optional<ScreenshotRequest> ScreenshotRequest::parse(const QStringList &arguments) {
    const qsizetype at = arguments.indexOf(u"--screenshot"_qs);
    if (at < 0)
        return std::nullopt;
    ScreenshotRequest request;
    const auto value = [&](const QString &option) -> std::optional<QString> {
        const qsizetype i = arguments.indexOf(option);
        if (i < 0)
            return std::nullopt;
        return i + 1 < arguments.size() ? arguments[i + 1] : QString();
    };
    request.file = value(u"--screenshot"_qs).value_or(QString());
    if (request.file.isEmpty() || request.file.startsWith(u"--"_qs)) {
        request.file.clear();
        request.error = u"--screenshot needs a file name"_qs;
        return request;
    }
    if (const auto pane = value(u"--pane"_qs)) {
        if (!paneNames().contains(*pane)) {
            request.file.clear();
            request.error = u"--pane must be one of: "_qs + paneNames().join(u", "_qs);
            return request;
        }
        request.pane = *pane;
    }
    if (arguments.contains(u"--dark"_qs))
        request.appearance = Appearance::dark;
    else if (arguments.contains(u"--light"_qs))
        request.appearance = Appearance::light;
    request.scan = arguments.contains(u"--scan"_qs);
    if (const auto ms = value(u"--wait"_qs)) {
        bool ok = false;
        request.waitMs = ms->toInt(&ok);
        if (!ok || request.waitMs < 0) {
            request.file.clear();
            request.error = u"--wait needs a number of milliseconds"_qs;
        }
    }
    return request;
}

int Screenshot::take(const ScreenshotRequest &request) {
    QTextStream err(stderr);
    if (request.file.isEmpty()) {
        err << request.error << Qt::endl;
        return 2;
    }
    if (request.appearance)
        Theme::instance().setForcedAppearance(request.appearance);

    std::unique_ptr<QWidget> window;
    RootView *root = nullptr;
    Finished stepFinished;
    if (request.pane == u"settings") {
        window.reset(SettingsView::createWindow());
    } else {
        auto *main = new MainWindow;
        window.reset(main);
        root = main->root();
        if (request.pane == u"setup") {
            root->forceContent(RootView::Content::setup);
        } else {
            root->forceContent(RootView::Content::panes);
            const Pane pane = Panes::all().at(paneNames().indexOf(request.pane));
            root->setPane(pane);
            if (request.scan)
                stepFinished = startFirstStep(root, pane);
        }
    }
    window->show();
    settle(root, request.waitMs, stepFinished);
    const QPixmap picture = window->grab();
    if (!picture.save(request.file, "PNG")) {
        err << "Could not write " << request.file << Qt::endl;
        return 1;
    }
    return 0;
}
