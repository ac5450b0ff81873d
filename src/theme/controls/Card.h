#pragma once

#include <QRectF>

#include "theme/Color.h"

class QPainter;

// The card look the pane screens share: a rounded fill with a hairline edge.
void paintCard(QPainter &painter, const QRectF &rect, qreal radius, Color fill = Color::bg100);
