#pragma once

#include <QAccessible>

class QWidget;

// How the app's own painted widgets read to assistive tools. Qt describes a
// plain QWidget as an unnamed pane and a QAbstractButton as a push button;
// these interfaces give the custom controls the role, name and state a
// screen reader should announce, and keep pure decoration out of its way.
namespace Accessibility {

// Installs the interfaces below; harmless to call more than once.
void install();

// `widget` is decoration: assistive tools skip it.
void hide(QWidget *widget);

// Reads `widget` as `role` instead of what its class would say.
void setRole(QWidget *widget, QAccessible::Role role);

// The text a row of labels shows, in order, as one sentence for its name:
// each label's full text (its tooltip when it is cut short on screen).
QString visibleText(const QWidget *row);

}  // namespace Accessibility
