#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

namespace Fonts {

// Registers every file whose suffix is exactly "ttf" in `resources`/Fonts for
// this process and returns the file names that registered. A missing folder
// or a bad file is skipped silently: the default face is used instead.
// Once Geist is there, it is also the face of the standard widgets the app
// does not draw itself: menus, message boxes, tooltips.
QStringList registerFonts(const QString &resources);
QStringList registerFonts();  // from Paths::resources()

}  // namespace Fonts

namespace Font {

// The proportional face: medium, semibold and bold (extra bold, black) have
// faces of their own, every other weight uses the regular one.
QFont geist(qreal size, QFont::Weight weight = QFont::Normal);
// The monospaced face: medium, semibold (also for bold and heavier), regular.
QFont geistMono(qreal size, QFont::Weight weight = QFont::Normal);

// The PostScript name of the face each function picks for `weight`.
QString geistFace(QFont::Weight weight);
QString geistMonoFace(QFont::Weight weight);

}  // namespace Font
