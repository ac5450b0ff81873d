#include "overview/ui/OverviewCards.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include "engine/Size.h"
#include "overview/ui/OverviewFigures.h"
#include "theme/Text.h"
#include "theme/Theme.h"
#include "theme/controls/Badge.h"
#include "theme/controls/RollingText.h"
#include "theme/controls/ShareBar.h"
#include "theme/controls/Sparkline.h"
#include "theme/controls/Status.h"

namespace F = OverviewFigures;

namespace {

constexpr int kCardSpacing = 10;
constexpr int kSparkline = 28;
constexpr int kBatteryBar = 6;
constexpr int kBatteryBarSpace = 11;  // above and below
constexpr int kLegendSwatch = 8;

TextStyle tracked(qreal size, qreal tracking) {
    TextStyle style = textStyle(size, QFont::DemiBold);
    style.font.setLetterSpacing(QFont::AbsoluteSpacing, tracking);
    return style;
}

QVBoxLayout *column(QWidget *owner, int spacing) {
    auto *c = new QVBoxLayout(owner);
    c->setContentsMargins(0, 0, 0, 0);
    c->setSpacing(spacing);
    return c;
}

// `widget` with `space` more above and below than the column gives.
QLayout *spaced(QWidget *widget, int space) {
    auto *box = new QVBoxLayout;
    box->setContentsMargins(0, space, 0, space);
    box->addWidget(widget);
    return box;
}

// A small rounded square in a colour, before a legend label.
class Swatch : public QWidget {
public:
    explicit Swatch(Color color) : m_color(color) { setFixedSize(kLegendSwatch, kLegendSwatch); }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::instance().color(m_color));
        painter.drawRoundedRect(rect(), 2, 2);
    }

private:
    Color m_color;
};

}  // namespace

UsageBar::UsageBar(QWidget *parent) : QWidget(parent) {
    setFixedHeight(height);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void UsageBar::setShares(double used, double trash, double purgeable) {
    m_shares[0] = used;
    m_shares[1] = trash;
    m_shares[2] = purgeable;
    update();
}

QList<QRectF> UsageBar::segments(qreal width, const double (&shares)[3]) {
    QList<QRectF> out;
    qreal x = 0;
    for (double share : shares) {
        // Bounded, so a huge share cannot overflow the geometry; the bar clips.
        const qreal w = share > 0 ? qMin(share, 2.0) * width : 0;
        out.append(QRectF(x, 0, w, height));
        if (w > 0)
            x += w + gap;
    }
    return out;
}

void UsageBar::paintEvent(QPaintEvent *) {
    const Theme &theme = Theme::instance();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath capsule;
    capsule.addRoundedRect(rect(), height / 2.0, height / 2.0);
    painter.setClipPath(capsule);
    painter.fillRect(rect(), theme.color(Color::gray200));
    const Color colors[] = {Color::gray1000, Color::amber, Color::blue};
    const QList<QRectF> parts = segments(width(), m_shares);
    for (int i = 0; i < 3; ++i)
        if (parts[i].width() > 0)
            painter.fillRect(parts[i], theme.color(colors[i]));
}

StorageCard::StorageCard(QWidget *parent)
    : QWidget(parent),
      m_body(new QWidget),
      m_free(new RollingText(tracked(44, -1.8))),
      m_badge(new Badge({}, Color::green, true)),
      m_bar(new UsageBar) {
    column(this, 0)->addWidget(m_body);
    auto *body = column(m_body, 18);

    auto *top = new QHBoxLayout;
    auto *figures = new QVBoxLayout;
    figures->setSpacing(8);
    figures->addWidget(new Label(tr("Storage"), eyebrow()));
    figures->addWidget(m_free);
    top->addLayout(figures, 1);
    top->addWidget(m_badge, 0, Qt::AlignTop);
    body->addLayout(top);
    body->addWidget(m_bar);

    auto *legend = new QHBoxLayout;
    legend->setSpacing(20);
    const std::pair<const char *, Color> entries[] = {{QT_TR_NOOP("Used"), Color::gray1000},
                                                      {QT_TR_NOOP("Trash"), Color::amber},
                                                      {QT_TR_NOOP("Purgeable"), Color::blue},
                                                      {QT_TR_NOOP("Free"), Color::gray400}};
    for (const auto &[label, color] : entries) {
        auto *item = new QHBoxLayout;
        item->setSpacing(6);
        item->addWidget(new Swatch(color));
        item->addWidget(new Label(tr(label), textStyle(13, QFont::Normal, Color::gray900)));
        m_legend.append(new Label({}, monoStyle(12)));
        item->addWidget(m_legend.last());
        legend->addLayout(item);
    }
    legend->addStretch();
    legend->addWidget(new Label(tr("Purgeable space is reclaimed by macOS automatically."),
                                textStyle(12, QFont::Normal, Color::gray900)));
    body->addLayout(legend);
}

QString StorageCard::legend(int index) const {
    return m_legend.at(index)->text();
}

void StorageCard::showReading(const StatusSnapshot &snapshot) {
    const std::optional<StatusSnapshot::Disk> disk = snapshot.rootDisk();
    // Without a volume the card stays, empty.
    m_body->setVisible(disk.has_value());
    if (!disk)
        return;
    const F::Storage s = F::storage(*disk, snapshot.trashSize);
    m_free->setText(Size::format(s.free));
    m_free->setSuffix(tr("available of ") + Size::format(s.total),
                      textStyle(14, QFont::Normal, Color::gray900), 8);
    m_badge->setText(F::whole(disk->usedPercent, true) + tr("% used"));
    m_badge->setTint(F::usageTint(disk->usedPercent));
    m_bar->setShares(s.share(s.usedOther), s.share(s.trash), s.share(s.purgeable));
    const qint64 values[] = {s.usedOther, s.trash, s.purgeable, s.free};
    for (int i = 0; i < 4; ++i) m_legend[i]->setText(Size::format(values[i]));
}

FigureCard::FigureCard(Kind kind, const QString &title, QWidget *parent)
    : QWidget(parent),
      m_figure(new RollingText(tracked(32, -1.2))),
      m_detail(new Label({}, monoStyle(12, QFont::Normal, Color::gray900))) {
    auto *c = column(this, kCardSpacing);
    c->addWidget(new Label(title, eyebrow()));
    c->addWidget(m_figure);
    const TextStyle unit = monoStyle(13, QFont::Normal, Color::gray900);
    switch (kind) {
        case Kind::health:
            m_figure->setSuffix(tr("/100"), unit, 2);
            m_status = new Status;
            c->addWidget(m_status);
            break;
        case Kind::load:
            m_figure->setSuffix(tr("%"), unit, 2);
            m_sparkline = new Sparkline;
            m_sparkline->setFixedHeight(kSparkline);
            c->addWidget(m_sparkline);
            break;
        case Kind::battery:
            // Unlike the others, the charge is shown without a transition.
            m_figure->setRolling(false);
            m_figure->setSuffix(tr("%"), unit, 2);
            m_bar = new ShareBar(0, Color::green, kBatteryBar);
            c->addLayout(spaced(m_bar, kBatteryBarSpace - kCardSpacing));
            break;
    }
    c->addWidget(m_detail);
    c->addStretch();
}

void FigureCard::showHealth(const StatusSnapshot &snapshot) {
    m_figure->setText(QString::number(snapshot.healthScore));
    m_status->setText(snapshot.healthScoreMsg);
    m_status->setTint(F::healthTint(snapshot.healthScore));
    m_detail->setVisible(snapshot.uptime.has_value());
    if (snapshot.uptime)
        m_detail->setText(tr("Uptime ") + *snapshot.uptime);
}

void FigureCard::showLoad(double percent, const QString &detail, const QList<double> &history) {
    m_figure->setText(F::whole(percent, true));
    m_sparkline->setValues(history);
    m_sparkline->setTint(F::loadTint(percent));
    m_detail->setText(detail);
}

void FigureCard::showBattery(const StatusSnapshot::Battery &battery) {
    m_figure->setText(F::whole(battery.percent, false));
    m_bar->setFraction(battery.percent / 100);
    m_bar->setTint(F::batteryTint(battery.percent));
    m_detail->setText(F::batteryLine(battery));
}
