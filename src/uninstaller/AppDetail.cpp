#include "uninstaller/AppDetail.h"

#include <QDir>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QVBoxLayout>

#include "platform/Reveal.h"
#include "theme/Accessibility.h"
#include "theme/Icon.h"
#include "theme/IconStore.h"
#include "theme/Text.h"
#include "theme/Theme.h"
#include "theme/controls/ConfirmButton.h"
#include "theme/controls/HoverRow.h"
#include "theme/controls/Spinner.h"
#include "theme/controls/SummaryStrip.h"

namespace {

constexpr int kPadding = 24;
constexpr int kSpacing = 16;
constexpr int kHeaderIcon = 48;
constexpr int kPathWidth = 360;  // the path is cut in the middle beyond this
constexpr int kRowButton = 24;

// "~/x" as an absolute path, for revealing.
QString expanded(const QString &path) {
    if (path == u"~" || path.startsWith(u"~/"))
        return QDir::homePath() + path.mid(1);
    return path;
}

Label *elided(const QString &text, const TextStyle &style, int width) {
    auto *label =
        new Label(QFontMetricsF(style.font).elidedText(text, Qt::ElideMiddle, width), style);
    label->setToolTip(text);
    return label;
}

GButton *revealButton(const QString &path) {
    auto *button = new GButton(QString(), GButton::Kind::tertiary);
    button->setIconName(u"arrow-up-right"_qs);
    button->setHeight(kRowButton);
    button->setToolTip(AppDetail::tr("Show in Finder"));
    button->setAccessibleName(AppDetail::tr("Show ") + path + AppDetail::tr(" in Finder"));
    QObject::connect(button, &QAbstractButton::clicked, button,
                     [path] { Reveal::show(expanded(path)); });
    return button;
}

}  // namespace

QString AppDetail::leftoverIcon(const QString &path) {
    return path.endsWith(u".app") ? u"app"_qs : u"file"_qs;
}

AppDetail::AppDetail(AppsModel *model, const InstalledApp &app,
                     const std::optional<AppsModel::Plan> &plan, QWidget *parent)
    : QWidget(parent),
      m_uninstall(new ConfirmButton(tr("Uninstall"), tr("Confirm Uninstall"), u"trash"_qs)),
      m_stats(new SummaryStrip(3)) {
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    column->setSpacing(kSpacing);

    auto *header = new QHBoxLayout;
    header->setSpacing(14);
    auto *icon = new QLabel;
    const QIcon image = model->icon(app);
    icon->setPixmap(!image.isNull()
                        ? image.pixmap(kHeaderIcon, kHeaderIcon)
                        : IconStore::shared().pixmap(u"app"_qs, kHeaderIcon, devicePixelRatioF(),
                                                     Theme::instance().color(Color::gray900)));
    icon->setFixedSize(kHeaderIcon, kHeaderIcon);
    Accessibility::hide(icon);
    header->addWidget(icon);
    auto *names = new QVBoxLayout;
    names->setSpacing(2);
    TextStyle title = textStyle(22, QFont::DemiBold);
    title.font.setLetterSpacing(QFont::AbsoluteSpacing, -0.88);
    names->addWidget(new Label(app.name, title));
    Label *path = elided(app.path, monoStyle(12, QFont::Normal, Color::gray900), kPathWidth);
    path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    names->addWidget(path);
    header->addLayout(names, 1);
    auto *reveal = new GButton(tr("Show in Finder"), GButton::Kind::secondary);
    reveal->setIconName(u"folder"_qs);
    const QString appPath = app.path;
    connect(reveal, &QAbstractButton::clicked, this,
            [appPath] { Reveal::show(expanded(appPath)); });
    header->addWidget(reveal);
    m_uninstall->setEnabled(plan.has_value());
    connect(m_uninstall, &ConfirmButton::confirmed, model, [model, app] { model->uninstall(app); });
    header->addWidget(m_uninstall);
    column->addLayout(header);

    const QString figures[] = {plan ? QString::number(plan->files.size()) : u"…"_qs,
                               plan ? plan->total : u"…"_qs,
                               app.source == u"Homebrew"  ? tr("Homebrew cask")
                               : app.source == u"Flatpak" ? tr("Flatpak app")
                                                          : tr("App bundle")};
    const QString captions[] = {tr("Files"), tr("Reclaims"), tr("Source")};
    for (int i = 0; i < 3; ++i) {
        m_stats->cell(i)->setCaption(captions[i]);
        m_stats->cell(i)->setValue(new Label(figures[i], monoStyle(15)));
    }
    column->addWidget(m_stats);

    if (plan) {
        auto *captionsRow = new QHBoxLayout;
        captionsRow->setContentsMargins(10, 0, 10 + kRowButton + 10, 0);
        captionsRow->addWidget(new Label(tr("Path"), eyebrow()));
        captionsRow->addStretch();
        captionsRow->addWidget(new Label(tr("Size"), eyebrow()));
        column->addLayout(captionsRow);
        auto *files = new QWidget;
        auto *list = new QVBoxLayout(files);
        list->setContentsMargins(0, 0, 0, 0);
        list->setSpacing(2);
        for (const AppsModel::Leftover &leftover : plan->files) {
            auto *row = new HoverRow;
            row->setFocusPolicy(Qt::NoFocus);
            row->content()->setContentsMargins(10, 6, 10, 6);
            row->content()->setSpacing(10);
            row->content()->addWidget(new Icon(leftoverIcon(leftover.path), 15, Color::gray900));
            row->content()->addWidget(elided(leftover.path, monoStyle(12), kPathWidth + 120), 1);
            row->content()->addWidget(
                new Label(leftover.size, monoStyle(12, QFont::Normal, Color::gray900)));
            row->content()->addWidget(revealButton(leftover.path));
            list->addWidget(row);
            m_rows.append(row);
        }
        list->addStretch();
        auto *scroll = new QScrollArea;
        scroll->setWidget(files);
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setFocusPolicy(Qt::NoFocus);  // its rows' buttons are the Tab stops
        scroll->setAutoFillBackground(false);
        scroll->viewport()->setAutoFillBackground(false);
        files->setAutoFillBackground(false);
        column->addWidget(scroll, 1);
    } else {
        auto *finding = new QHBoxLayout;
        finding->addStretch();
        finding->addWidget(new Spinner(14, Color::gray900));
        finding->addWidget(
            new Label(tr("Finding related files…"), textStyle(13, QFont::Normal, Color::gray900)));
        finding->addStretch();
        column->addStretch();
        column->addLayout(finding);
        column->addStretch();
    }

    auto *note =
        new Label(tr("Shared data still used by other apps is kept. Everything goes to the Trash."),
                  textStyle(12, QFont::Normal, Color::gray900));
    note->setWordWrap(true);
    column->addWidget(note);
}
