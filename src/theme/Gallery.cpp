#include "theme/Gallery.h"

#include <QCoreApplication>
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

// Sample texts pass through the wording translation like the screens' own.
QString sample(const char *text) {
    return QCoreApplication::translate("Gallery", text);
}

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
    column->addWidget(new Label(sample("Heading 32 — Cleanup"), heading(32)));
    column->addWidget(new Label(sample("Heading 28 — Set Up Permissions"), heading(28)));
    column->addWidget(
        new Label(sample("Geist 18 semibold — Brightloft"), textStyle(18, QFont::DemiBold)));
    column->addWidget(
        new Label(sample("Geist 16 semibold — Nothing to clean"), textStyle(16, QFont::DemiBold)));
    column->addWidget(
        new Label(sample("Geist 14 bold — 12.4 GB can be freed"), textStyle(14, QFont::Bold)));
    column->addWidget(
        new Label(sample("Geist 14 medium — Overview"), textStyle(14, QFont::Medium)));
    column->addWidget(
        new Label(sample("Geist 14 regular, gray900 — Grant these once, so macOS doesn't "
                         "interrupt you with pop-ups while Brightloft works."),
                  textStyle(14, QFont::Normal, Color::gray900)));
    column->addWidget(new Label(sample("GeistMono 12 regular — 48.2 GB free"), monoStyle(12)));
    column->addWidget(new Label(sample("Eyebrow — system health"), eyebrow()));
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
    const QStringList states = {sample("idle"),     sample("hover"),   sample("pressed"),
                                sample("disabled"), sample("loading"), sample("with icon")};
    for (int c = 0; c < states.size(); ++c) layout->addWidget(caption(states[c]), 0, c + 1);
    const std::pair<const char16_t *, GButton::Kind> kinds[] = {
        {u"primary", GButton::Kind::primary},
        {u"secondary", GButton::Kind::secondary},
        {u"tertiary", GButton::Kind::tertiary},
        {u"error", GButton::Kind::error}};
    int r = 1;
    for (const auto &[name, kind] : kinds) {
        layout->addWidget(caption(QString::fromUtf16(name)), r, 0);
        auto *hovered = button(sample("Scan"), kind);
        hovered->pinState(true, false);
        auto *pressed = button(sample("Scan"), kind);
        pressed->pinState(true, true);
        auto *disabled = button(sample("Scan"), kind);
        disabled->setEnabled(false);
        auto *loading = button(sample("Scanning"), kind, u"search"_qs);
        loading->setLoading(true);
        QWidget *cells[] = {button(sample("Scan"), kind),
                            hovered,
                            pressed,
                            disabled,
                            loading,
                            button(sample("Scan"), kind, u"search"_qs)};
        for (int c = 0; c < 6; ++c) layout->addWidget(cells[c], r, c + 1, Qt::AlignLeft);
        ++r;
    }
    layout->setColumnStretch(7, 1);
    return layout;
}

QLayout *confirmButtons() {
    auto *idle =
        new ConfirmButton(sample("Clean"), sample("Confirm: Empty Trash & Clean"), u"sparkles"_qs);
    auto *armed =
        new ConfirmButton(sample("Clean"), sample("Confirm: Empty Trash & Clean"), u"sparkles"_qs);
    armed->setConfirmWindow(std::numeric_limits<int>::max());  // stays armed for the picture
    armed->click();
    return row({captioned(idle, sample("idle")), captioned(armed, sample("armed"))});
}

QLayout *badges() {
    return row({new Badge(sample("Neutral")), new Badge(sample("12 items"), Color::gray900, true),
                new Badge(sample("Granted"), Color::green, true),
                new Badge(sample("Waiting"), Color::amber, true),
                new Badge(sample("Denied"), Color::red, true),
                new Badge(sample("Review"), Color::blue)});
}

QLayout *statuses() {
    return row(
        {captioned(new StatusDot(Color::green, true), sample("pulsing")),
         captioned(new StatusDot(Color::amber), sample("amber")),
         captioned(new StatusDot(Color::red), sample("red")),
         new Status(sample("Live"), Color::green, true),
         new Status(sample("Waiting"), Color::amber), new Status(sample("Denied"), Color::red),
         captioned(new Spinner(12), sample("spinner 12")), captioned(new Spinner(16), sample("16")),
         captioned(new Spinner(24, Color::blue), sample("24 blue"))});
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
    card->content()->addWidget(new Label(sample("Card with rows"), eyebrow()));
    auto *hovered = listRow(u"folder"_qs, sample("Hovered row"), sample("⌘2"));
    hovered->pinState(true, false);
    auto *selected = listRow(u"trash"_qs, sample("Selected row"), sample("⌘3"));
    selected->setSelected(true);
    card->content()->addWidget(listRow(u"grid"_qs, sample("Idle row"), sample("⌘1")));
    card->content()->addWidget(hovered);
    card->content()->addWidget(selected);
    return card;
}

QWidget *pageTitle() {
    auto *title = new PageTitle(sample("Cleanup"),
                                sample("Caches, logs and leftovers that are safe to remove."));
    title->setTrailing(button(sample("Scan"), GButton::Kind::primary, u"search"_qs));
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
    return row({new Kbd(sample("⌘1")), new Kbd(sample("⌘R")), new Kbd(sample("⌘[")),
                new Kbd(sample("Esc"))});
}

QLayout *logos() {
    return row({captioned(new Logo(20), sample("20")), captioned(new Logo(28), sample("28")),
                captioned(new Logo(36), sample("36")), captioned(new Logo(64), sample("64"))});
}

}  // namespace

GalleryPage::GalleryPage(QWidget *parent) : QWidget(parent), m_column(new QVBoxLayout(this)) {
    setAutoFillBackground(true);
    Theme::instance().follow(this);
    m_column->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    m_column->setSpacing(kSectionSpacing);

    auto *toggle = button(sample("Switch appearance"), GButton::Kind::secondary, u"refresh"_qs);
    connect(toggle, &QAbstractButton::clicked, this, [] {
        Theme &theme = Theme::instance();
        theme.setForcedAppearance(theme.isDark() ? Appearance::light : Appearance::dark);
    });
    m_column->addLayout(
        row({new Logo(28), new Label(sample("Brightloft design system"), heading(28)), toggle}));

    addSection(sample("Colours"), colours());
    addSection(sample("Type"), type());
    addSection(sample("Icons"), icons());
    addSection(sample("Buttons"), buttons());
    addSection(sample("Confirm button"), confirmButtons());
    addSection(sample("Badges"), badges());
    addSection(sample("Status and spinner"), statuses());
    addSection(sample("Card and hover rows"), cardWithRows());
    addSection(sample("Page title"), pageTitle());
    addSection(sample("Empty"),
               new Empty(u"search"_qs, sample("Nothing to clean"),
                         sample("Run a scan to find caches, logs and leftovers that are safe to "
                                "remove. Nothing is deleted until you confirm.")));
    addSection(sample("Share bars: 0, 0.25, 0.5, 1, 1.7"), shareBars());
    addSection(sample("Sparklines"), sparklines());
    addSection(sample("Keys"), keys());
    addSection(sample("Logo"), logos());
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
