#include "app/SettingsView.h"

#include <QApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

#include "cleanup/ui/KeptItemsView.h"
#include "permissions/Automation.h"
#include "permissions/FullDiskAccess.h"
#include "platform/Background.h"
#include "platform/InfoDictionary.h"
#include "platform/OpenUrl.h"
#include "platform/Paths.h"
#include "platform/Privacy.h"
#include "platform/UserDefaults.h"
#include "theme/Text.h"
#include "theme/controls/GButton.h"
#include "theme/controls/Logo.h"
#include "theme/controls/RowsCard.h"
#include "theme/controls/Status.h"
#include "theme/controls/Switch.h"
#include "updates/Updater.h"

namespace {

constexpr int kPadding = 28;
constexpr int kSpacing = 24;
constexpr int kRowHeight = 48;
constexpr int kRowPadding = 14;
constexpr int kButtonHeight = 28;
constexpr qreal kCardRadius = 10;

QString noSettingsPage() {
    return SettingsView::tr("Your desktop has no settings page for this.");
}

GButton *smallButton(const QString &title) {
    auto *button = new GButton(title, GButton::Kind::secondary);
    button->setHeight(kButtonHeight);
    return button;
}

// A 48-point line: the title, a gap, then an optional status and controls.
QWidget *row(const QString &title, const QList<QWidget *> &trailing, const QString &help = {}) {
    auto *line = new QWidget;
    line->setFixedHeight(kRowHeight);
    line->setToolTip(help);
    auto *layout = new QHBoxLayout(line);
    layout->setContentsMargins(kRowPadding, 0, kRowPadding, 0);
    layout->setSpacing(10);
    layout->addWidget(new Label(title, textStyle(14)));
    layout->addStretch();
    for (QWidget *widget : trailing) {
        layout->addWidget(widget, 0, Qt::AlignVCenter);
        // Heard with the row it acts on: three buttons are named "Open".
        if (widget->accessibleDescription().isEmpty())
            widget->setAccessibleDescription(title);
    }
    return line;
}

Status *status(const QString &text, Color tint) {
    auto *s = new Status(text, tint);
    s->setTextStyle(monoStyle(12, QFont::Normal, Color::gray900));
    return s;
}

// An eyebrow caption 8 points above its card.
QLayout *section(const QString &title, RowsCard *card) {
    auto *column = new QVBoxLayout;
    column->setSpacing(8);
    column->addWidget(new Label(title, eyebrow()));
    column->addWidget(card);
    return column;
}

}  // namespace

QString SettingsView::versionText(const QString &shortVersion, const QString &buildVersion) {
    return (shortVersion.isEmpty() ? u"dev"_qs : shortVersion) + u" ("_qs +
           (buildVersion.isEmpty() ? u"0"_qs : buildVersion) + u")"_qs;
}

QString SettingsView::engineVersion(const QString &resources) {
    if (resources.isEmpty())
        return {};
    QFile file(resources + u"/engine/VERSION"_qs);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).trimmed();
}

void SettingsView::runAgain() {
    UserDefaults::setFlag(UserDefaults::setupDone, false);
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->windowType() != Qt::Window || !window->isVisible() || window->isMinimized() ||
            window->objectName().startsWith(u"settings"_qs))
            continue;
        window->raise();
        window->activateWindow();
        return;
    }
}

QWidget *SettingsView::createWindow() {
    auto *window = new QWidget(nullptr, Qt::Window);
    window->setObjectName(u"settings"_qs);
    window->setWindowTitle(tr("Settings"));
    auto *column = new QVBoxLayout(window);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSizeConstraint(QLayout::SetFixedSize);  // as large as its content, no more
    column->addWidget(new SettingsView);
    // A window of settings closes with Escape, as the desktop's own do.
    auto *close = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    connect(close, &QShortcut::activated, window, &QWidget::close);
    return window;
}

SettingsView::SettingsView(QWidget *parent)
    : QWidget(parent),
      m_version(new Label({}, monoStyle(12, QFont::Normal, Color::gray900))),
      m_credit(new Label({}, monoStyle(12, QFont::Normal, Color::gray900))),
      m_fdaStatus(status({}, Color::red)),
      m_automationStatus(status(tr("Review"), Color::amber)),
      m_autoUpdates(new Switch),
      m_checkNow(smallButton(tr("Check Now"))),
      m_runAgain(smallButton(tr("Run Again"))) {
    setFixedWidth(width);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    column->setSpacing(kSpacing);

    auto *header = new QHBoxLayout;
    header->setSpacing(12);
    header->addWidget(new Logo(32));
    auto *names = new QVBoxLayout;
    names->setSpacing(2);
    TextStyle brand = textStyle(18, QFont::DemiBold);
    brand.font.setLetterSpacing(QFont::AbsoluteSpacing, -0.5);
    names->addWidget(new Label(u"Brightloft"_qs, brand));
    m_version->setText(versionLine());
    names->addWidget(m_version);
    header->addLayout(names);
    header->addStretch();
    column->addLayout(header);

    const auto openButton = [](const char *anchor) {
        GButton *open = smallButton(tr("Open"));
        const QString page = QString::fromLatin1(anchor);
        // A button that would do nothing here says so instead.
        open->setEnabled(Privacy::canOpenSettings(page));
        if (!open->isEnabled())
            open->setToolTip(noSettingsPage());
        connect(open, &GButton::clicked, open, [page] { FullDiskAccess::openSettings(page); });
        return open;
    };
    auto *permissions = new RowsCard(kCardRadius);
    permissions->addRow(
        row(tr("Full Disk Access"), {m_fdaStatus, openButton(FullDiskAccess::allFilesPage)}));
    permissions->addRow(
        row(tr("Automation"), {m_automationStatus, openButton(FullDiskAccess::automationPage)}));
    permissions->addRow(row(
        tr("App Management"),
        {status(tr("Not readable"), Color::gray600), openButton(FullDiskAccess::appManagementPage)},
        tr("macOS doesn't share this setting with apps. Check it in System Settings.")));
    permissions->addRow(row(tr("Setup"), {m_runAgain}));
    column->addLayout(section(tr("Permissions"), permissions));

    UpdateController *updater = Updater::controller();
    m_autoUpdates->setAccessibleName(tr("Check automatically"));
    m_autoUpdates->setChecked(updater && updater->automaticallyChecksForUpdates());
    m_autoUpdates->setEnabled(updater);
    m_checkNow->setEnabled(updater);
    auto *updates = new RowsCard(kCardRadius);
    updates->addRow(row(tr("Check automatically"), {m_autoUpdates, m_checkNow}));
    column->addLayout(section(tr("Updates"), updates));
    column->addWidget(new KeptItemsView);

    auto *credit = new QWidget;
    auto *creditRow = new QHBoxLayout(credit);
    creditRow->setContentsMargins(kRowPadding, 12, kRowPadding, 12);
    auto *creditText = new QVBoxLayout;
    creditText->setSpacing(2);
    creditText->addWidget(new Label(tr("Cleaning engine"), textStyle(14)));
    m_credit->setText(creditLine());
    m_credit->setWordWrap(true);
    creditText->addWidget(m_credit);
    creditRow->addLayout(creditText);
    creditRow->addStretch();
    GButton *license = smallButton(tr("License"));
    creditRow->addWidget(license, 0, Qt::AlignVCenter);
    auto *openSource = new RowsCard(kCardRadius);
    openSource->addRow(credit);
    column->addLayout(section(tr("Open Source"), openSource));

    connect(m_autoUpdates, &Switch::toggled, this, [](bool on) {
        if (UpdateController *c = Updater::controller())
            c->setAutomaticallyChecksForUpdates(on);
    });
    connect(m_checkNow, &GButton::clicked, this, [] {
        if (UpdateController *c = Updater::controller())
            c->checkForUpdates();
    });
    connect(m_runAgain, &GButton::clicked, this, &SettingsView::runAgain);
    const QString licence =
        Paths::resources().isEmpty() ? QString() : Paths::resources() + u"/engine/LICENSE"_qs;
    license->setEnabled(!licence.isEmpty() && QFile::exists(licence));
    if (!license->isEnabled())
        license->setToolTip(tr("The license file is missing. Reinstall Brightloft to restore it."));
    connect(license, &GButton::clicked, this, [this, licence] {
        if (!OpenUrl::openResource(u"engine/LICENSE"_qs))
            QMessageBox::information(
                this, tr("License"),
                tr("No app on this computer opens the license. You can read it at %1.")
                    .arg(licence));
    });
    showFullDiskAccess(FullDiskAccess::isGranted());
}

QString SettingsView::versionLine() const {
    return tr("Version ") + versionText(InfoDictionary::version(), InfoDictionary::buildNumber());
}

QString SettingsView::creditLine() const {
    QString line = tr("Mole · by the Brightloft developers · GPL-3.0");
    const QString engine = engineVersion(Paths::resources());
    if (!engine.isEmpty())
        line += u" · v"_qs + engine;
    return line;
}

void SettingsView::refresh() {
    showFullDiskAccess(FullDiskAccess::isGranted());
    checkAutomation(0, true);
}

void SettingsView::showFullDiskAccess(bool granted) {
    m_fdaStatus->setText(granted ? tr("On") : tr("Off"));
    m_fdaStatus->setTint(granted ? Color::green : Color::red);
}

void SettingsView::checkAutomation(qsizetype index, bool ok) {
    const QList<Automation::Target> &targets = Automation::targets();
    if (index >= targets.size()) {
        m_automationStatus->setText(ok ? tr("On") : tr("Review"));
        m_automationStatus->setTint(ok ? Color::green : Color::amber);
        return;
    }
    const QString bundleId = targets[index].bundleId;
    whenFinished(this, Automation::launchIfNeeded(bundleId), [this, bundleId, index, ok] {
        whenFinished(this, Automation::check(bundleId), [this, index, ok](Automation::State state) {
            checkAutomation(index + 1, ok && state == Automation::State::granted);
        });
    });
}

void SettingsView::showEvent(QShowEvent *event) {
    if (!event->spontaneous())
        refresh();
    QWidget::showEvent(event);
}
