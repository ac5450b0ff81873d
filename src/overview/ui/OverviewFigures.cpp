#include "overview/ui/OverviewFigures.h"

#include <QCoreApplication>
#include <QStringList>

#include <cmath>
#include <limits>

#include "engine/Size.h"

namespace {

// The figures are the Overview's texts: one translation context for both.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(OverviewView)
};

// Doubles at or beyond 2^63 do not convert to qint64.
constexpr double kLimit = 9223372036854775808.0;

qint64 clamped(double value) {
    if (value >= kLimit)
        return std::numeric_limits<qint64>::max();
    if (value <= -kLimit)
        return std::numeric_limits<qint64>::min();
    return qint64(value);
}

}  // namespace

qint64 OverviewFigures::bytes(double value) {
    return std::isfinite(value) ? clamped(std::trunc(value)) : 0;
}

QString OverviewFigures::whole(double value, bool round) {
    if (!std::isfinite(value))
        return u"\u2014"_qs;
    return QString::number(clamped(round ? std::round(value) : std::trunc(value)));
}

Color OverviewFigures::usageTint(double usedPercent) {
    return usedPercent > 90 ? Color::red : usedPercent > 75 ? Color::amber : Color::green;
}

Color OverviewFigures::healthTint(qint64 score) {
    return score >= 80 ? Color::green : score < 50 ? Color::red : Color::amber;
}

Color OverviewFigures::loadTint(double percent) {
    return percent > 85 ? Color::red : Color::blue;
}

Color OverviewFigures::batteryTint(double percent) {
    return percent < 20 ? Color::red : Color::green;
}

double OverviewFigures::Storage::share(qint64 part) const {
    return part > 0 ? double(part) / scale : 0;
}

OverviewFigures::Storage OverviewFigures::storage(const StatusSnapshot::Disk &disk,
                                                  std::optional<double> trashSize) {
    Storage s;
    const qint64 used = bytes(disk.used);
    s.total = bytes(disk.total);
    s.trash = bytes(trashSize.value_or(0));
    s.purgeable = bytes(disk.purgeable.value_or(0));
    // Saturating, so absurd readings cannot overflow.
    qint64 difference;
    s.usedOther =
        __builtin_sub_overflow(used, s.trash, &difference) ? 0 : qMax<qint64>(difference, 0);
    s.free = __builtin_sub_overflow(s.total, used, &difference) ? 0 : qMax<qint64>(difference, 0);
    s.scale = qMax<double>(double(s.total), 1);
    return s;
}

QString OverviewFigures::subtitle(const std::optional<StatusSnapshot> &snapshot) {
    if (!snapshot || !snapshot->hardware)
        return Texts::tr("Live health of your Mac.");
    const StatusSnapshot::Hardware &h = *snapshot->hardware;
    QStringList parts;
    for (const std::optional<QString> &text : {h.model, h.cpuModel, h.totalRam, h.osVersion})
        if (text && !text->isEmpty())
            parts.append(*text);
    return parts.join(u" \u00B7 "_qs);
}

QString OverviewFigures::batteryLine(const StatusSnapshot::Battery &battery) {
    QStringList parts;
    if (battery.health)
        parts.append(*battery.health);
    if (battery.cycleCount)
        parts.append(QString::number(*battery.cycleCount) + Texts::tr(" cycles"));
    return parts.join(u" \u00B7 "_qs);
}

QString OverviewFigures::cpuDetail(const StatusSnapshot::CPU &cpu) {
    return cpu.coreCount ? QString::number(*cpu.coreCount) + Texts::tr(" cores") : QString();
}

QString OverviewFigures::memoryDetail(const StatusSnapshot::Memory &memory) {
    return Size::format(bytes(memory.used)) + u" / "_qs + Size::format(bytes(memory.total));
}
