#pragma once

#include <QHashFunctions>
#include <QList>
#include <QString>

#include "engine/Json.h"

// One application the engine lists as installed and removable. Identity is
// `path`, the key of every per-app cache; equality compares all five fields.
struct InstalledApp {
    QString name;
    QString bundleId;  // on Linux the desktop-entry id (a Flatpak's app id)
    QString source;    // "Homebrew", "Flatpak", "AppImage", "Local", ...
    QString uninstallName;
    QString path;

    // Apps a package manager owns are removed by the engine: moving their
    // files to the Trash would leave the package database believing them
    // installed.
    bool isRemovedByEngine() const;

    static InstalledApp decode(const Json::Object &o);
    bool operator==(const InstalledApp &) const = default;

    // The engine's list output: everything before the first "[" is dropped
    // and the rest must be one JSON array of complete records. Throws
    // Json::Error; output without any "[" is a missing engine.
    static QList<InstalledApp> listFromOutput(const QString &output);
};

size_t qHash(const InstalledApp &app, size_t seed = 0);
