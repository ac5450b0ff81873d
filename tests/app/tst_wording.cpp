#include <QMenu>
#include <QRegularExpression>
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
        App app;
        RootView *root = app.mainWindow()->root();
        auto *access = qobject_cast<AccessView *>(root->contentWidget());
        QVERIFY(access);
        QStringList texts = visibleTexts(app.mainWindow());
        // The waiting state shows the drag chip and its texts.
        qputenv("XDG_CURRENT_DESKTOP", "");  // no settings app is started
        access->openSettingsButton()->click();
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
        QVERIFY(texts.contains(u"Drag into your system's file access settings"_qs));
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
