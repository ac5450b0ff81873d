#pragma once

#include "app/Pane.h"

class QWidget;
class RootView;

// The screen of `pane`, built on the root view's models. The one place that
// maps panes to their screens.
QWidget *createPaneView(Pane pane, RootView *root);
