#include "theme/Color.h"

namespace {

struct ColorPair {
    quint32 dark;
    quint32 light;
    qreal darkAlpha = 1;
    qreal lightAlpha = 1;
};

// Indexed by Color, in declaration order.
constexpr ColorPair kPairs[] = {
    {0x0A0A0A, 0xFFFFFF},              // bg100
    {0x000000, 0xFAFAFA},              // bg200
    {0x1A1A1A, 0xF2F2F2},              // gray100
    {0x1F1F1F, 0xEBEBEB},              // gray200
    {0x2E2E2E, 0xEAEAEA},              // gray400
    {0x878787, 0xA8A8A8},              // gray600
    {0xA1A1A1, 0x666666},              // gray900
    {0xEDEDED, 0x171717},              // gray1000
    {0xFFFFFF, 0x000000, 0.06, 0.04},  // alpha100
    {0xFFFFFF, 0x000000, 0.14, 0.08},  // border
    {0x0A72EF, 0x006BFF},              // blue
    {0x45A557, 0x1A7F37},              // green
    {0xFFB224, 0xC77700},              // amber
    {0xE5484D, 0xD8323C},              // red
};
static_assert(std::size(kPairs) == size_t(Color::red) + 1, "one pair per named colour");

QColor adaptive(quint32 rgb, qreal alpha) {
    QColor c(QRgb(rgb & 0xFFFFFF));
    c.setAlphaF(float(alpha));
    return c;
}

}  // namespace

QColor resolve(Color color, Appearance appearance) {
    const ColorPair &pair = kPairs[size_t(color)];
    return appearance == Appearance::dark ? adaptive(pair.dark, pair.darkAlpha)
                                          : adaptive(pair.light, pair.lightAlpha);
}

QColor withOpacity(QColor color, qreal opacity) {
    color.setAlphaF(float(color.alphaF() * opacity));
    return color;
}

QColor mix(const QColor &from, const QColor &to, qreal t) {
    const auto lerp = [t](float a, float b) { return a + (b - a) * float(t); };
    return QColor::fromRgbF(lerp(from.redF(), to.redF()), lerp(from.greenF(), to.greenF()),
                            lerp(from.blueF(), to.blueF()), lerp(from.alphaF(), to.alphaF()));
}
