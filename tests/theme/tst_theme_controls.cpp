#include <QSignalSpy>
#include <QTest>

#include "support/RealInput.h"
#include "support/TestEnvironment.h"
#include "theme/Theme.h"
#include "theme/controls/ConfirmButton.h"
#include "theme/controls/ElidedLabel.h"
#include "theme/controls/GButton.h"
#include "theme/controls/HoverRow.h"
#include "theme/controls/ShareBar.h"
#include "theme/controls/Sparkline.h"
#include "theme/controls/StatusDot.h"

namespace {

enum class Activation { mouse, keyboard };
enum class Then { again, lapse, escape };  // after arming a confirm button

void activate(QWidget *button, Activation how) {
    if (how == Activation::mouse)
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    else
        QTest::keyClick(button, Qt::Key_Space);
}

}  // namespace

class ControlsTest : public QObject {
    Q_OBJECT
    TestEnvironment env;

private Q_SLOTS:
    void initTestCase() { Theme::instance().setForcedAppearance(Appearance::light); }

    void confirmArmsThenRunsOrDisarms_data() {
        QTest::addColumn<Activation>("how");
        QTest::addColumn<Then>("then");
        QTest::newRow("mouse twice") << Activation::mouse << Then::again;
        QTest::newRow("keys twice") << Activation::keyboard << Then::again;
        QTest::newRow("window lapses") << Activation::mouse << Then::lapse;
        QTest::newRow("escape") << Activation::keyboard << Then::escape;
    }
    void confirmArmsThenRunsOrDisarms() {
        QFETCH(Activation, how);
        QFETCH(Then, then);
        ConfirmButton b(u"Clean"_qs, u"Confirm: Empty Trash & Clean"_qs, u"sparkles"_qs);
        QSignalSpy confirmed(&b, &ConfirmButton::confirmed),
            armed(&b, &ConfirmButton::armedChanged);
        b.show();
        b.setFocus();
        if (then == Then::lapse)
            b.setConfirmWindow(30);
        activate(&b, how);
        QVERIFY(b.isArmed());
        QCOMPARE(b.title(), u"Confirm: Empty Trash & Clean"_qs);
        QCOMPARE(b.kind(), GButton::Kind::error);
        if (then == Then::again)
            activate(&b, how);
        else if (then == Then::lapse)
            QVERIFY(armed.wait(2000));
        else
            QTest::keyClick(&b, Qt::Key_Escape);
        const int runs = then == Then::again ? 1 : 0;
        QCOMPARE(confirmed.size(), runs);
        QVERIFY(!b.isArmed());
        QCOMPARE(b.title(), u"Clean"_qs);
        QCOMPARE(b.kind(), GButton::Kind::primary);
        // The next activation only arms again.
        activate(&b, how);
        QVERIFY(b.isArmed());
        QCOMPARE(confirmed.size(), runs);
    }

    void confirmTitlesCanChange() {
        ConfirmButton b(u"Clean"_qs, u"Confirm: Clean"_qs, u"sparkles"_qs);
        b.show();
        b.setTitles(u"Clean 2 GB"_qs, u"Confirm: Clean 2 GB"_qs);
        QCOMPARE(b.title(), u"Clean 2 GB"_qs);
        activate(&b, Activation::mouse);
        b.setTitles(u"Clean 3 GB"_qs, u"Confirm: Clean 3 GB"_qs);
        QCOMPARE(b.title(), u"Confirm: Clean 3 GB"_qs);
        QVERIFY(b.isArmed());
        b.disarm();
        QCOMPARE(b.title(), u"Clean 3 GB"_qs);
    }

    void inactiveButtonIgnoresInput_data() {
        QTest::addColumn<Activation>("how");
        QTest::addColumn<bool>("loading");  // else disabled
        QTest::newRow("loading, mouse") << Activation::mouse << true;
        QTest::newRow("loading, keyboard") << Activation::keyboard << true;
        QTest::newRow("disabled") << Activation::mouse << false;
    }
    void inactiveButtonIgnoresInput() {
        QFETCH(Activation, how);
        QFETCH(bool, loading);
        GButton b(u"Scan"_qs);
        b.show();
        b.setFocus();
        QSignalSpy clicked(&b, &QAbstractButton::clicked);
        loading ? b.setLoading(true) : b.setEnabled(false);
        b.pinState(true, true);
        activate(&b, how);
        QCOMPARE(clicked.size(), 0);
        QCOMPARE(b.hoverAmount(), 0.0);
        QCOMPARE(b.pressAmount(), 0.0);
        loading ? b.setLoading(false) : b.setEnabled(true);
        QCOMPARE(b.hoverAmount(), 1.0);
        activate(&b, how);
        QCOMPARE(clicked.size(), 1);
    }

    void loadingButtonIgnoresClickAndShortcut() {
        QWidget window;
        auto *rescan = new GButton(u"Rescan"_qs, GButton::Kind::secondary, &window);
        rescan->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QSignalSpy clicked(rescan, &QAbstractButton::clicked);
        rescan->setLoading(true);
        QVERIFY(RealInput::click(rescan));
        QTest::keyClick(&window, Qt::Key_R, Qt::ControlModifier);
        QTest::qWait(200);  // a shortcut presses its button with a short delay
        QCOMPARE(clicked.size(), 0);
        rescan->setLoading(false);
        QTest::keyClick(&window, Qt::Key_R, Qt::ControlModifier);
        QTRY_COMPARE(clicked.size(), 1);
        // A button disabled before it loaded stays disabled after.
        rescan->setEnabled(false);
        rescan->setLoading(true);
        rescan->setLoading(false);
        QVERIFY(!rescan->isEnabled());
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
        QTest::mouseClick(first, Qt::LeftButton, {}, first->rect().center());
        QVERIFY(first->hasFocus() && !first->showsFocus());
        QTest::keyClick(first, Qt::Key_Tab);
        QVERIFY(second->hasFocus() && second->showsFocus());
        const QImage before = row->grab().toImage();
        QTest::keyClick(second, Qt::Key_Tab);
        QVERIFY(row->hasFocus() && row->showsFocus());
        const QImage after = row->grab().toImage();
        QCOMPARE(after.pixelColor(100, 0), Theme::instance().color(Color::blue));
        QVERIFY(before.pixelColor(100, 0) != after.pixelColor(100, 0));
    }

    void chartsAndHalosStayInsideTheirWidgets() {
        // A line along the top edge is drawn whole, not cut in half.
        Sparkline line(Color::red);
        line.resize(100, 40);
        line.setValues({1, 1});
        const QImage top = line.grab().toImage();
        QCOMPARE(top.pixelColor(50, 0).alpha(), 255);
        line.setValues({0, 0});
        const QImage bottom = line.grab().toImage();
        QCOMPARE(bottom.pixelColor(50, 39).alpha(), 255);
        // The widest halo fits the dot's square.
        StatusDot dot;
        QVERIFY(dot.width() >= StatusDot::Metrics::halo * StatusDot::Metrics::haloScaleTo);
    }

    void shareBarFill_data() {
        QTest::addColumn<qreal>("fraction");
        QTest::addColumn<qreal>("expected");
        // A bar 200 wide and 8 high; even nothing shows a dot.
        QTest::newRow("zero") << 0.0 << 8.0;
        QTest::newRow("whole") << 1.0 << 200.0;
        QTest::newRow("over full stays full") << 1.7 << 200.0;
        QTest::newRow("not a number") << qQNaN() << 8.0;
    }
    void shareBarFill() {
        QFETCH(qreal, fraction);
        QFETCH(qreal, expected);
        QCOMPARE(shareBarFillWidth(200, fraction, 8), expected);
    }

    void sparklinePoints_data() {
        QTest::addColumn<QList<qreal>>("values");
        QTest::addColumn<QList<QPointF>>("expected");
        // A box 100 wide, 40 high; y grows downwards, 1 is at the top.
        QTest::newRow("first, middle, last")
            << QList<qreal>{0, 0.5, 1} << QList<QPointF>{{0, 40}, {50, 20}, {100, 0}};
        QTest::newRow("above 1 is drawn at the top")
            << QList<qreal>{1.3, 0.25} << QList<QPointF>{{0, 0}, {100, 30}};
        QTest::newRow("negative and NaN sit on the baseline")
            << QList<qreal>{-0.2, qQNaN(), 0.75} << QList<QPointF>{{0, 40}, {50, 40}, {100, 10}};
        QTest::newRow("one value at the left") << QList<qreal>{0.5} << QList<QPointF>{{0, 20}};
        QTest::newRow("no values") << QList<qreal>{} << QList<QPointF>{};
    }
    void sparklinePoints() {
        QFETCH(QList<qreal>, values);
        QFETCH(QList<QPointF>, expected);
        QCOMPARE(::sparklinePoints(values, QSizeF(100, 40)), expected);
    }

    // A long text gives way to its neighbours: cut in the middle to the
    // width it gets, whole in its tooltip, asking for its full width.
    void elidedLabelGivesWay_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("cut");
        QTest::newRow("room for all") << 2000 << false;
        QTest::newRow("narrow") << 240 << true;
        QTest::newRow("very narrow") << 30 << true;
    }
    void elidedLabelGivesWay() {
        QFETCH(int, width);
        QFETCH(bool, cut);
        const QString path = u"/home/someone/Applications/A-Rather-Long-Name-x86_64.AppImage"_qs;
        ElidedLabel label(path, monoStyle(12));
        QVERIFY(label.minimumSizeHint().width() < 100);
        QVERIFY(label.sizeHint().width() >= label.fontMetrics().horizontalAdvance(path));
        label.resize(width, label.sizeHint().height());
        label.show();
        QVERIFY(QTest::qWaitForWindowExposed(&label));
        QCOMPARE(label.toolTip(), path);
        QCOMPARE(label.fullText(), path);
        QCOMPARE(label.text() != path, cut);
        QVERIFY(label.fontMetrics().horizontalAdvance(label.text()) <= qMax(width, 0));
        if (cut && width > 100) {  // both ends stay readable
            QVERIFY(label.text().startsWith(u"/home"_qs));
            QVERIFY(label.text().endsWith(u"AppImage"_qs));
            QVERIFY(label.text().contains(u'…'));
        }
    }

    // The fill is the area between the line and the baseline: a line that
    // starts high must not leave a wedge between its first point and the
    // baseline below it.
    void sparklineAreaReachesTheBaseline() {
        const QList<QPointF> line = ::sparklinePoints({0.9, 0.1, 0.6}, QSizeF(100, 40));
        const QPainterPath area = sparklineArea(line, 40);
        QCOMPARE(area.elementAt(0).type, QPainterPath::MoveToElement);
        QCOMPARE(QPointF(area.elementAt(0)), QPointF(0, 40));
        QCOMPARE(QPointF(area.elementAt(1)), line.first());
        QCOMPARE(QPointF(area.elementAt(area.elementCount() - 2)), QPointF(100, 40));
        // Just inside the bottom-left corner, below the high first point.
        QVERIFY(area.contains(QPointF(1, 39)));
        QVERIFY(area.contains(QPointF(99, 39)));
        QVERIFY(!area.contains(QPointF(50, 5)));  // above the dip
    }
};

QTEST_MAIN(ControlsTest)
#include "tst_theme_controls.moc"
