#include <QMenu>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include "app/App.h"
#include "app/MainWindow.h"
#include "app/RootView.h"
#include "app/SettingsView.h"
#include "app/TabButton.h"
#include "app/TopBar.h"
#include "permissions/AccessView.h"
#include "platform/UserDefaults.h"
#include "platform/Wording.h"
#include "support/AppFixture.h"
#include "support/RealInput.h"
#include "support/ViewProbe.h"
#include "theme/controls/GButton.h"
#include "theme/controls/Kbd.h"

namespace {

using ViewProbe::visibleTexts;

const QRegularExpression &macWords() {
    static const QRegularExpression words(
        u"\\bMac\\b|macOS|Finder|⌘|System Settings|Spotlight|/Applications|App bundle|"
        "Homebrew cask|Full Disk Access|Privacy & Security"_qs);
    return words;
}

}  // namespace

class WordingTest : public QObject {
    Q_OBJECT
private:
    AppFixture *m_app = nullptr;

private Q_SLOTS:
    void initTestCase() {
        m_app = new AppFixture;
        m_app->installEngine();
        QVERIFY2(Wording::install(qApp, QStringLiteral(BUILT_RESOURCES)),
                 "the wording file is missing from the built resources");
    }
    void cleanupTestCase() { delete m_app; }

    void shellTextsNameNothingMacOnly() {
        // A GNOME desktop whose settings app only notes the page it was asked for.
        QTemporaryDir bin;
        const QString opened = bin.filePath(u"opened"_qs);
        m_app->env().writeScript(bin.filePath(u"gnome-control-center"_qs),
                                 u"echo \"$@\" > '"_qs + opened + u"'\n"_qs);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()) + ':' + path);
        qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
        m_app->setAccess(false);  // file access still to give: the screen offers its settings
        const auto restore = qScopeGuard([&] {
            qputenv("PATH", path);
            qunsetenv("XDG_CURRENT_DESKTOP");
            m_app->setAccess(true);
        });

        App app;
        app.mainWindow()->show();
        QVERIFY(QTest::qWaitForWindowExposed(app.mainWindow()));
        RootView *root = app.mainWindow()->root();
        auto *access = qobject_cast<AccessView *>(root->contentWidget());
        QVERIFY(access);
        QStringList texts = visibleTexts(app.mainWindow());
        // Opening the settings page shows the drag chip, named and explained
        // in the desktop's words.
        QWidget *chip = nullptr;
        for (QWidget *w : access->findChildren<QWidget *>())
            if (w->accessibleName() == u"Brightloft app, drag into Settings")
                chip = w;
        QVERIFY(chip && !chip->isVisible());
        QString why;
        QVERIFY2(RealInput::click(access->openSettingsButton(), {-1, -1}, &why), qPrintable(why));
        QTRY_COMPARE(TestEnvironment::readFile(opened), QByteArray("applications\n"));
        QTRY_VERIFY(chip->isVisible());
        QCOMPARE(chip->toolTip(), u"Drag into your system's file access settings"_qs);
        texts << visibleTexts(access);
        // The top bar with its tabs.
        UserDefaults::setFlag(UserDefaults::setupDone, true);
        texts << visibleTexts(root->topBar());
        texts << visibleTexts(app.menu());
        app.showSettings();
        texts << visibleTexts(app.settingsWindow());

        QVERIFY(texts.size() > 30);
        for (const QString &text : texts)
            QVERIFY2(!macWords().match(text).hasMatch(), qPrintable(text));
        QVERIFY(texts.contains(u"Access to Your Files"_qs));
        QVERIFY(texts.contains(u"Overview  Ctrl+1"_qs));
    }

    void otherTextsPassThrough() {
        QCOMPARE(TabButton::tr("Continue"), u"Continue"_qs);
        QCOMPARE(AccessView::tr("Set Up Permissions"), u"Set Up Permissions"_qs);
        QCOMPARE(Kbd::shown(u"⌘R"_qs), u"Ctrl+R"_qs);
        QCOMPARE(Kbd::shown(u"Esc"_qs), u"Esc"_qs);
    }
};

QTEST_MAIN(WordingTest)
#include "tst_wording.moc"
