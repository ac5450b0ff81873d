#include "theme/Gallery.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include <limits>

#include "theme/Icon.h"
#include "theme/IconStore.h"
#include "theme/Text.h"
#include "theme/Theme.h"
#include "theme/controls/Badge.h"
#include "theme/controls/Card.h"
#include "theme/controls/ConfirmButton.h"
#include "theme/controls/Empty.h"
#include "theme/controls/GButton.h"
#include "theme/controls/GCard.h"
#include "theme/controls/HoverRow.h"
#include "theme/controls/Kbd.h"
#include "theme/controls/Logo.h"
#include "theme/controls/PageTitle.h"
#include "theme/controls/ShareBar.h"
#include "theme/controls/Sparkline.h"
#include "theme/controls/Spinner.h"
#include "theme/controls/Status.h"
#include "theme/controls/StatusDot.h"

namespace {

constexpr int kMargin = 32;
constexpr int kSectionSpacing = 28;
constexpr int kCaptionSpacing = 10;
constexpr int kItemSpacing = 12;
constexpr int kSwatch = 44;

struct Named {
    const char16_t *name;
    Color color;
};
constexpr Named kColors[] = {
    {u"bg100", Color::bg100},     {u"bg200", Color::bg200},       {u"gray100", Color::gray100},
    {u"gray200", Color::gray200}, {u"gray400", Color::gray400},   {u"gray600", Color::gray600},
    {u"gray900", Color::gray900}, {u"gray1000", Color::gray1000}, {u"alpha100", Color::alpha100},
    {u"border", Color::border},   {u"blue", Color::blue},         {u"green", Color::green},
    {u"amber", Color::amber},     {u"red", Color::red},
};

// A named colour on a tile, outlined so light fills stay visible.
class Swatch : public QWidget {
public:
    explicit Swatch(Color color) : m_color(color) { setFixedSize(kSwatch, kSwatch); }

protected:
    void paintEvent(QPaintEvent *) override {
        constexpr qreal radius = 8;
        QPainter painter(this);
        paintCard(painter, rect(), radius, m_color);
    }

private:
    Color m_color;
};

Label *caption(const QString &text) {
    return new Label(text, monoStyle(11, QFont::Normal, Color::gray900));
}

// A widget above its caption.
QWidget *captioned(QWidget *item, const QString &text) {
    auto *cell = new QWidget;
    auto *column = new QVBoxLayout(cell);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    column->addWidget(item, 0, Qt::AlignLeft);
    column->addWidget(caption(text), 0, Qt::AlignLeft);
    return cell;
}

QGridLayout *grid(int columnSpacing = kItemSpacing) {
    auto *layout = new QGridLayout;
    layout->setHorizontalSpacing(columnSpacing);
    layout->setVerticalSpacing(kItemSpacing);
    return layout;
}

QHBoxLayout *row(std::initializer_list<QWidget *> widgets) {
    auto *line = new QHBoxLayout;
    line->setSpacing(kItemSpacing);
    for (QWidget *widget : widgets) line->addWidget(widget, 0, Qt::AlignVCenter);
    line->addStretch();
    return line;
}

GButton *button(const QString &title, GButton::Kind kind, const QString &icon = {}) {
    auto *b = new GButton(title, kind);
    if (!icon.isEmpty())
        b->setIconName(icon);
    return b;
}

QLayout *colours() {
    auto *layout = grid();
    int i = 0;
    for (const Named &named : kColors) {
        layout->addWidget(captioned(new Swatch(named.color), QString::fromUtf16(named.name)), i / 7,
                          i % 7);
        ++i;
    }
    layout->setColumnStretch(7, 1);
    return layout;
}

QLayout *type() {
    auto *column = new QVBoxLayout;
    column->setSpacing(8);
    column->addWidget(new Label(u"Heading 32 — Cleanup"_qs, heading(32)));
    column->addWidget(new Label(u"Heading 28 — Set Up Permissions"_qs, heading(28)));
    column->addWidget(
        new Label(u"Geist 18 semibold — Brightloft"_qs, textStyle(18, QFont::DemiBold)));
    column->addWidget(
        new Label(u"Geist 16 semibold — Nothing to clean"_qs, textStyle(16, QFont::DemiBold)));
    column->addWidget(
        new Label(u"Geist 14 bold — 12.4 GB can be freed"_qs, textStyle(14, QFont::Bold)));
    column->addWidget(new Label(u"Geist 14 medium — Overview"_qs, textStyle(14, QFont::Medium)));
    column->addWidget(
        new Label(u"Geist 14 regular, gray900 — Grant these once, so macOS doesn't "
                  u"interrupt you with pop-ups while Brightloft works."_qs,
                  textStyle(14, QFont::Normal, Color::gray900)));
    column->addWidget(new Label(u"GeistMono 12 regular — 48.2 GB free"_qs, monoStyle(12)));
    column->addWidget(new Label(u"Eyebrow — system health"_qs, eyebrow()));
    return column;
}

QLayout *icons() {
    auto *layout = grid(18);
    QStringList names = IconStore::names();
    names << u"no-such-icon"_qs;  // must stay an empty square
    for (int i = 0; i < names.size(); ++i)
        layout->addWidget(captioned(new Icon(names[i], 20), names[i]), i / 9, i % 9);
    layout->setColumnStretch(9, 1);
    return layout;
}

QLayout *buttons() {
    auto *layout = grid(14);
    const QStringList states = {u"idle"_qs,     u"hover"_qs,   u"pressed"_qs,
                                u"disabled"_qs, u"loading"_qs, u"with icon"_qs};
    for (int c = 0; c < states.size(); ++c) layout->addWidget(caption(states[c]), 0, c + 1);
    const std::pair<const char16_t *, GButton::Kind> kinds[] = {
        {u"primary", GButton::Kind::primary},
        {u"secondary", GButton::Kind::secondary},
        {u"tertiary", GButton::Kind::tertiary},
        {u"error", GButton::Kind::error}};
    int r = 1;
    for (const auto &[name, kind] : kinds) {
        layout->addWidget(caption(QString::fromUtf16(name)), r, 0);
        auto *hovered = button(u"Scan"_qs, kind);
        hovered->pinState(true, false);
        auto *pressed = button(u"Scan"_qs, kind);
        pressed->pinState(true, true);
        auto *disabled = button(u"Scan"_qs, kind);
        disabled->setEnabled(false);
        auto *loading = button(u"Scanning"_qs, kind, u"search"_qs);
        loading->setLoading(true);
        QWidget *cells[] = {button(u"Scan"_qs, kind),
                            hovered,
                            pressed,
                            disabled,
                            loading,
                            button(u"Scan"_qs, kind, u"search"_qs)};
        for (int c = 0; c < 6; ++c) layout->addWidget(cells[c], r, c + 1, Qt::AlignLeft);
        ++r;
    }
    layout->setColumnStretch(7, 1);
    return layout;
}

QLayout *confirmButtons() {
    auto *idle = new ConfirmButton(u"Clean"_qs, u"Confirm: Empty Trash & Clean"_qs, u"sparkles"_qs);
    auto *armed =
        new ConfirmButton(u"Clean"_qs, u"Confirm: Empty Trash & Clean"_qs, u"sparkles"_qs);
    armed->setConfirmWindow(std::numeric_limits<int>::max());  // stays armed for the picture
    armed->click();
    return row({captioned(idle, u"idle"_qs), captioned(armed, u"armed"_qs)});
}

QLayout *badges() {
    return row({new Badge(u"Neutral"_qs), new Badge(u"12 items"_qs, Color::gray900, true),
                new Badge(u"Granted"_qs, Color::green, true),
                new Badge(u"Waiting"_qs, Color::amber, true),
                new Badge(u"Denied"_qs, Color::red, true), new Badge(u"Review"_qs, Color::blue)});
}

QLayout *statuses() {
    return row({captioned(new StatusDot(Color::green, true), u"pulsing"_qs),
                captioned(new StatusDot(Color::amber), u"amber"_qs),
                captioned(new StatusDot(Color::red), u"red"_qs),
                new Status(u"Live"_qs, Color::green, true), new Status(u"Waiting"_qs, Color::amber),
                new Status(u"Denied"_qs, Color::red), captioned(new Spinner(12), u"spinner 12"_qs),
                captioned(new Spinner(16), u"16"_qs),
                captioned(new Spinner(24, Color::blue), u"24 blue"_qs)});
}

HoverRow *listRow(const QString &icon, const QString &text, const QString &keys) {
    auto *r = new HoverRow;
    r->content()->setContentsMargins(10, 8, 10, 8);
    r->content()->setSpacing(10);
    r->content()->addWidget(new Icon(icon, 16));
    r->content()->addWidget(new Label(text, textStyle(14)), 1);
    r->content()->addWidget(new Kbd(keys));
    return r;
}

QWidget *cardWithRows() {
    auto *card = new GCard;
    card->content()->setSpacing(4);
    card->content()->addWidget(new Label(u"Card with rows"_qs, eyebrow()));
    auto *hovered = listRow(u"folder"_qs, u"Hovered row"_qs, u"⌘2"_qs);
    hovered->pinState(true, false);
    auto *selected = listRow(u"trash"_qs, u"Selected row"_qs, u"⌘3"_qs);
    selected->setSelected(true);
    card->content()->addWidget(listRow(u"grid"_qs, u"Idle row"_qs, u"⌘1"_qs));
    card->content()->addWidget(hovered);
    card->content()->addWidget(selected);
    return card;
}

QWidget *pageTitle() {
    auto *title =
        new PageTitle(u"Cleanup"_qs, u"Caches, logs and leftovers that are safe to remove."_qs);
    title->setTrailing(button(u"Scan"_qs, GButton::Kind::primary, u"search"_qs));
    return title;
}

QLayout *shareBars() {
    auto *layout = grid();
    const std::pair<qreal, Color> shares[] = {{0, Color::blue},
                                              {0.25, Color::green},
                                              {0.5, Color::amber},
                                              {1, Color::red},
                                              {1.7, Color::blue}};
    int r = 0;
    for (const auto &[fraction, tint] : shares) {
        layout->addWidget(caption(QString::number(fraction)), r, 0);
        layout->addWidget(new ShareBar(fraction, tint), r, 1);
        ++r;
    }
    layout->setColumnStretch(1, 1);
    return layout;
}

QLayout *sparklines() {
    auto *line = new QHBoxLayout;
    line->setSpacing(24);
    auto *cpu = new Sparkline(Color::blue);
    cpu->setValues({0.12, 0.3, 0.22, 0.5, 0.42, 0.75, 0.6, 0.9, 0.55, 0.35, 0.48, 0.3});
    auto *memory = new Sparkline(Color::green);
    memory->setValues({0, 0.5, 1, 1.3, 0.8, 0.6, 0.62, 0.7});
    for (Sparkline *chart : {cpu, memory}) {
        chart->setFixedHeight(48);
        line->addWidget(chart);
    }
    return line;
}

QLayout *keys() {
    return row({new Kbd(u"⌘1"_qs), new Kbd(u"⌘R"_qs), new Kbd(u"⌘["_qs), new Kbd(u"Esc"_qs)});
}

QLayout *logos() {
    return row({captioned(new Logo(20), u"20"_qs), captioned(new Logo(28), u"28"_qs),
                captioned(new Logo(36), u"36"_qs), captioned(new Logo(64), u"64"_qs)});
}

}  // namespace

GalleryPage::GalleryPage(QWidget *parent) : QWidget(parent), m_column(new QVBoxLayout(this)) {
    setAutoFillBackground(true);
    Theme::instance().follow(this);
    m_column->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    m_column->setSpacing(kSectionSpacing);

    auto *toggle = button(u"Switch appearance"_qs, GButton::Kind::secondary, u"refresh"_qs);
    connect(toggle, &QAbstractButton::clicked, this, [] {
        Theme &theme = Theme::instance();
        theme.setForcedAppearance(theme.isDark() ? Appearance::light : Appearance::dark);
    });
    m_column->addLayout(
        row({new Logo(28), new Label(u"Brightloft design system"_qs, heading(28)), toggle}));

    addSection(u"Colours"_qs, colours());
    addSection(u"Type"_qs, type());
    addSection(u"Icons"_qs, icons());
    addSection(u"Buttons"_qs, buttons());
    addSection(u"Confirm button"_qs, confirmButtons());
    addSection(u"Badges"_qs, badges());
    addSection(u"Status and spinner"_qs, statuses());
    addSection(u"Card and hover rows"_qs, cardWithRows());
    addSection(u"Page title"_qs, pageTitle());
    addSection(u"Empty"_qs,
               new Empty(u"search"_qs, u"Nothing to clean"_qs,
                         u"Run a scan to find caches, logs and leftovers that are safe to "
                         u"remove. Nothing is deleted until you confirm."_qs));
    addSection(u"Share bars: 0, 0.25, 0.5, 1, 1.7"_qs, shareBars());
    addSection(u"Sparklines"_qs, sparklines());
    addSection(u"Keys"_qs, keys());
    addSection(u"Logo"_qs, logos());
    m_column->addStretch();
    setFixedWidth(width);
}

void GalleryPage::addSection(const QString &caption, QWidget *content) {
    auto *section = new QVBoxLayout;
    section->setSpacing(kCaptionSpacing);
    section->addWidget(new Label(caption, eyebrow()));
    section->addWidget(content);
    m_column->addLayout(section);
}

void GalleryPage::addSection(const QString &caption, QLayout *content) {
    auto *holder = new QWidget;
    content->setContentsMargins(0, 0, 0, 0);
    holder->setLayout(content);
    addSection(caption, holder);
}

Gallery::Gallery(QWidget *parent) : QScrollArea(parent) {
    setWindowTitle(tr("Brightloft Gallery"));
    setWidget(new GalleryPage);
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    Theme::instance().follow(this);
    resize(GalleryPage::width + 24, 900);
}
