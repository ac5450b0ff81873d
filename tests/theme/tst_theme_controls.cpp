#include <QSignalSpy>
#include <QTest>

#include "support/RealInput.h"
#include "support/TestEnvironment.h"
#include "theme/Theme.h"
#include "theme/controls/ConfirmButton.h"
#include "theme/controls/ElidedLabel.h"
#include "theme/controls/GButton.h"
#include "theme/controls/HoverRow.h"

// What a user sees the shared controls do: confirm buttons that arm first,
// inactive buttons that ignore input, focus rings, texts cut to fit.
class ControlsTest : public QObject {
    Q_OBJECT
    TestEnvironment env;

private Q_SLOTS:
    void initTestCase() { Theme::instance().setForcedAppearance(Appearance::light); }

    // Arming and confirming by pointer and keys, and Escape, are walked by the
    // journeys; here what they do not reach: the window lapsing, and a new
    // total while armed.
    void confirmDisarms_data() {
        QTest::addColumn<bool>("retitle");  // else the window lapses
        QTest::newRow("window lapses") << false;
        QTest::newRow("retitled while armed") << true;
    }
    void confirmDisarms() {
        QFETCH(bool, retitle);
        ConfirmButton b(u"Clean"_qs, u"Confirm: Empty Trash & Clean"_qs, u"sparkles"_qs);
        QSignalSpy confirmed(&b, &ConfirmButton::confirmed),
            armed(&b, &ConfirmButton::armedChanged);
        b.resize(b.sizeHint());
        b.show();
        QVERIFY(QTest::qWaitForWindowActive(&b));
        b.setConfirmWindow(retitle ? 60'000 : 30);
        QVERIFY(RealInput::click(&b));
        QVERIFY(b.isArmed());
        QCOMPARE(b.kind(), GButton::Kind::error);
        if (retitle) {  // still armed, asking with the new words
            b.setTitles(u"Clean 3 GB"_qs, u"Confirm: Clean 3 GB"_qs);
            QVERIFY(b.isArmed());
            QCOMPARE(b.title(), u"Confirm: Clean 3 GB"_qs);
            b.disarm();
        } else {
            QVERIFY(armed.wait(2000));
        }
        QVERIFY(!b.isArmed());
        QCOMPARE(b.title(), retitle ? u"Clean 3 GB"_qs : u"Clean"_qs);
        QCOMPARE(b.kind(), GButton::Kind::primary);
        QVERIFY(RealInput::click(&b));  // the next press only arms again
        QVERIFY(b.isArmed());
        QCOMPARE(confirmed.size(), 0);
    }

    // A loading button takes no click, key or shortcut, and takes them again
    // once it is done; one disabled before it loaded stays so.
    void loadingButtonIgnoresInput_data() {
        QTest::addColumn<int>("input");  // 0 pointer, 1 Space, 2 its shortcut
        QTest::newRow("pointer") << 0;
        QTest::newRow("Space") << 1;
        QTest::newRow("shortcut") << 2;
    }
    void loadingButtonIgnoresInput() {
        QFETCH(int, input);
        QWidget window;
        auto *b = new GButton(u"Rescan"_qs, GButton::Kind::secondary, &window);
        b->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
        window.resize(200, 80);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QSignalSpy clicked(b, &QAbstractButton::clicked);
        const auto press = [&] {
            b->setFocus();
            if (input == 0)
                QVERIFY(RealInput::click(b));
            else
                QVERIFY(RealInput::key(&window, input == 1 ? Qt::Key_Space : Qt::Key_R,
                                       input == 1 ? Qt::NoModifier : Qt::ControlModifier));
            QTest::qWait(200);  // a shortcut presses its button with a short delay
        };
        b->setLoading(true);
        press();
        QCOMPARE(clicked.size(), 0);
        b->setLoading(false);
        press();
        QCOMPARE(clicked.size(), 1);
        b->setEnabled(false);
        b->setLoading(true);
        b->setLoading(false);
        QVERIFY(!b->isEnabled());
    }

    // A focus ring only for what was reached by keyboard; a hover row draws it blue.
    void focusIsDrawnOnlyWhenReachedByKeyboard() {
        QWidget window;
        auto *first = new GButton(u"First"_qs, GButton::Kind::primary, &window);
        auto *second = new GButton(u"Second"_qs, GButton::Kind::secondary, &window);
        auto *row = new HoverRow(&window);
        second->move(100, 0);
        row->setGeometry(0, 50, 200, 40);
        window.resize(200, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QVERIFY(RealInput::click(first));
        QVERIFY(first->hasFocus() && !first->showsFocus());
        QVERIFY(RealInput::key(&window, Qt::Key_Tab));
        QVERIFY(second->hasFocus() && second->showsFocus());
        const QImage before = row->grab().toImage();
        QVERIFY(RealInput::key(&window, Qt::Key_Tab));
        QVERIFY(row->hasFocus() && row->showsFocus());
        const QImage after = row->grab().toImage();
        QCOMPARE(after.pixelColor(100, 0), Theme::instance().color(Color::blue));
        QVERIFY(before.pixelColor(100, 0) != after.pixelColor(100, 0));
    }

    // A long text gives way to its neighbours: cut in the middle to the
    // width it gets, whole in its tooltip, asking for its full width.
    void elidedLabelGivesWay_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("cut");
        QTest::newRow("room for all") << 2000 << false;
        QTest::newRow("narrow") << 240 << true;
    }
    void elidedLabelGivesWay() {
        QFETCH(int, width);
        QFETCH(bool, cut);
        const QString path = u"/home/someone/Applications/A-Rather-Long-Name-x86_64.AppImage"_qs;
        ElidedLabel label(path, monoStyle(12));
        QVERIFY(label.sizeHint().width() >= label.fontMetrics().horizontalAdvance(path));
        label.resize(width, label.sizeHint().height());
        label.show();
        QVERIFY(QTest::qWaitForWindowExposed(&label));
        QCOMPARE(label.toolTip(), path);
        QCOMPARE(label.text() != path, cut);
        QVERIFY(label.fontMetrics().horizontalAdvance(label.text()) <= width);
        if (cut && width > 100)  // both ends stay readable
            QVERIFY(label.text().startsWith(u"/home"_qs) && label.text().endsWith(u"AppImage"_qs));
    }
};

QTEST_MAIN(ControlsTest)
#include "tst_theme_controls.moc"
