#include "theme/Fonts.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QToolTip>

#include "platform/Paths.h"

namespace Fonts {

namespace {

constexpr qreal standardSize = 13;
constexpr qreal tooltipSize = 12;

}  // namespace

QStringList registerFonts(const QString &resources) {
    QStringList registered;
    if (resources.isEmpty())
        return registered;
    const QDir folder(resources + u"/Fonts"_qs);
    // The suffix check is case-sensitive on purpose: only "ttf" files are ours.
    for (const QFileInfo &file : folder.entryInfoList(QDir::Files, QDir::Name)) {
        if (file.suffix() != u"ttf")
            continue;
        if (QFontDatabase::addApplicationFont(file.filePath()) >= 0)
            registered << file.fileName();
    }
    if (!registered.isEmpty() && qobject_cast<QApplication *>(QCoreApplication::instance())) {
        QApplication::setFont(Font::geist(standardSize));
        QToolTip::setFont(Font::geist(tooltipSize));
    }
    return registered;
}

QStringList registerFonts() {
    return registerFonts(Paths::resources());
}

}  // namespace Fonts

namespace Font {

namespace {

// A face named "<family>-<style>" is the registered family at the style's
// weight, so the weight alone picks the file.
struct Face {
    QString postScriptName;
    QFont::Weight weight;
};

Face geistFor(QFont::Weight weight) {
    switch (weight) {
        case QFont::Medium:
            return {u"Geist-Medium"_qs, QFont::Medium};
        case QFont::DemiBold:
            return {u"Geist-SemiBold"_qs, QFont::DemiBold};
        case QFont::Bold:
        case QFont::ExtraBold:
        case QFont::Black:
            return {u"Geist-Bold"_qs, QFont::Bold};
        default:
            return {u"Geist-Regular"_qs, QFont::Normal};
    }
}

Face geistMonoFor(QFont::Weight weight) {
    switch (weight) {
        case QFont::Medium:
            return {u"GeistMono-Medium"_qs, QFont::Medium};
        case QFont::DemiBold:
        case QFont::Bold:
        case QFont::ExtraBold:
        case QFont::Black:
            return {u"GeistMono-SemiBold"_qs, QFont::DemiBold};
        default:
            return {u"GeistMono-Regular"_qs, QFont::Normal};
    }
}

QFont make(const QString &family, qreal size, const Face &face) {
    QFont font(family);
    // Sizes are logical pixels, the same unit as every other measure here.
    font.setPixelSize(qMax(1, qRound(size)));
    font.setWeight(face.weight);
    font.setStyleStrategy(QFont::PreferAntialias);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

}  // namespace

QFont geist(qreal size, QFont::Weight weight) {
    return make(u"Geist"_qs, size, geistFor(weight));
}
QFont geistMono(qreal size, QFont::Weight weight) {
    return make(u"Geist Mono"_qs, size, geistMonoFor(weight));
}
QString geistFace(QFont::Weight weight) {
    return geistFor(weight).postScriptName;
}
QString geistMonoFace(QFont::Weight weight) {
    return geistMonoFor(weight).postScriptName;
}

}  // namespace Font
