#pragma once

#include <QApplication>
#include <QTest>

#include <functional>

#include "support/ScreenShots.h"
#include "support/ScriptedEngine.h"
#include "support/TestEnvironment.h"

// A pane's model and view over a scripted engine in a temporary home, the
// view shown in a window.
template <class Model, class View>
struct PaneScene {
    TestEnvironment env;
    Model model;
    View view{&model};

    explicit PaneScene(const QString &script = {}) {
        if (!script.isEmpty())
            env.installEngineInResources(script);
        ScreenShots::present(&view);
        QApplication::setActiveWindow(&view);
    }
    void open(const QString &gate) const { ScriptedEngine::openGate(env.home(), gate); }
    // True once `done` holds, with the view drawn (it draws once per batch of changes).
    bool until(const std::function<bool()> &done) {
        if (!QTest::qWaitFor(done, 10000))
            return false;
        QCoreApplication::processEvents();
        return true;
    }
};
