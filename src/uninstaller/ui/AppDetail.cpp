#include "uninstaller/ui/AppDetail.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "platform/Paths.h"
#include "platform/Reveal.h"
#include "theme/Accessibility.h"
#include "theme/Icon.h"
#include "theme/IconStore.h"
#include "theme/Text.h"
#include "theme/Theme.h"
#include "theme/controls/ConfirmButton.h"
#include "theme/controls/ElidedLabel.h"
#include "theme/controls/Spinner.h"
#include "theme/controls/SummaryStrip.h"
#include "uninstaller/ui/LeftoverList.h"

namespace {

constexpr int kPadding = 24;
constexpr int kSpacing = 16;
constexpr int kHeaderIcon = 48;
constexpr int kRevealColumn = LeftoverDelegate::reveal;

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
    // Long names and paths give way to the buttons, never the reverse.
    names->addWidget(new ElidedLabel(app.name, title, Qt::ElideRight));
    auto *path = new ElidedLabel(app.path, monoStyle(12, QFont::Normal, Color::gray900));
    path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    names->addWidget(path);
    header->addLayout(names, 1);
    auto *reveal = new GButton(tr("Show in Finder"), GButton::Kind::secondary);
    reveal->setIconName(u"folder"_qs);
    const QString appPath = app.path;
    connect(reveal, &QAbstractButton::clicked, this,
            [appPath] { Reveal::show(Paths::expandTilde(appPath)); });
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
        captionsRow->setContentsMargins(10, 0, 10 + kRevealColumn + 10, 0);
        captionsRow->addWidget(new Label(tr("Path"), eyebrow()));
        captionsRow->addStretch();
        captionsRow->addWidget(new Label(tr("Size"), eyebrow()));
        column->addLayout(captionsRow);
        m_files = new LeftoverList(plan->files);
        connect(m_files, &LeftoverList::revealRequested, this,
                [](const QString &file) { Reveal::show(Paths::expandTilde(file)); });
        column->addWidget(m_files, 1);
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
