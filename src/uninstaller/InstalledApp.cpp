#include "uninstaller/InstalledApp.h"

#include <algorithm>

#include "engine/Engine.h"

bool InstalledApp::isRemovedByEngine() const {
    static const QString engineRouted[] = {u"Homebrew"_qs, u"Flatpak"_qs};
    return std::find(std::begin(engineRouted), std::end(engineRouted), source) !=
           std::end(engineRouted);
}

InstalledApp InstalledApp::decode(const Json::Object &o) {
    return {o.required<QString>("name"), o.required<QString>("bundleId"),
            o.required<QString>("source"), o.required<QString>("uninstallName"),
            o.required<QString>("path")};
}

QList<InstalledApp> InstalledApp::listFromOutput(const QString &output) {
    const qsizetype start = output.indexOf(u'[');
    if (start < 0)
        throw Json::Error(EngineError::notInstalled);
    return Json::decode<QList<InstalledApp>>(Json::parse(QStringView(output).mid(start).toUtf8()));
}

size_t qHash(const InstalledApp &app, size_t seed) {
    return qHashMulti(seed, app.name, app.bundleId, app.source, app.uninstallName, app.path);
}
