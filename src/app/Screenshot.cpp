#include "app/Screenshot.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <QTimer>

#include <memory>

#include "app/MainWindow.h"
#include "app/RootView.h"
#include "app/SettingsView.h"
#include "overview/StatusModel.h"
#include "theme/Theme.h"

namespace {

constexpr int kSettleMs = 4000;
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

// Until the live status has its first reading (the top bar's pill), or the
// time runs out; then a short quiet spell for the last repaints.
void settle(const RootView *root, int waitMs) {
    if (waitMs >= 0)
        return wait(waitMs);
    QElapsedTimer clock;
    clock.start();
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
            root->setPane(Panes::all().at(paneNames().indexOf(request.pane)));
        }
    }
    window->show();
    settle(root, request.waitMs);
    const QPixmap picture = window->grab();
    if (!picture.save(request.file, "PNG")) {
        err << "Could not write " << request.file << Qt::endl;
        return 1;
    }
    return 0;
}
