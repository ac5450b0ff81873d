#pragma once

#include <functional>

#include "panes/Pane.h"

class AppsModel;
class CleanModel;
class OptimizeModel;
class QObject;
class QWidget;
class SpaceModel;
class StatusModel;

// The models the screens are built on; they outlive every screen.
struct PaneModels {
    StatusModel *status;
    CleanModel *clean;
    OptimizeModel *optimize;
    SpaceModel *space;
    AppsModel *apps;
};

// The screen of `pane`, built on `models`. A screen's wish to show another
// pane reaches `navigate`, called in `context`. The one place that maps panes
// to their screens.
QWidget *createPaneView(Pane pane, const PaneModels &models, QObject *context,
                        std::function<void(Pane)> navigate);
