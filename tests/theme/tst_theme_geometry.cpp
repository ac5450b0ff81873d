#include <QTest>

#include <cmath>

#include "theme/controls/Logo.h"
#include "theme/controls/ShareBar.h"
#include "theme/controls/Sparkline.h"

class GeometryTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void shareBarFill_data() {
        QTest::addColumn<qreal>("fraction");
        QTest::addColumn<qreal>("expected");
        // A bar 200 wide and 8 high.
        QTest::newRow("zero shows a dot") << 0.0 << 8.0;
        QTest::newRow("half") << 0.5 << 100.0;
        QTest::newRow("whole") << 1.0 << 200.0;
        QTest::newRow("over full stays full") << 1.7 << 200.0;
        QTest::newRow("tiny share still a dot") << 0.01 << 8.0;
        QTest::newRow("negative is nothing") << -0.3 << 8.0;
        QTest::newRow("not a number is nothing") << qQNaN() << 8.0;
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
        QTest::newRow("bottom-left, middle, top-right")
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

    void logoColumnsAndDots_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("columns");
        QTest::newRow("20") << 20 << 3;
        QTest::newRow("27") << 27 << 3;
        QTest::newRow("28") << 28 << 4;
        QTest::newRow("63") << 63 << 4;
        QTest::newRow("64") << 64 << 5;
    }
    void logoColumnsAndDots() {
        QFETCH(int, size);
        QFETCH(int, columns);
        QCOMPARE(logoColumns(size), columns);
        const QList<LogoDot> dots = logoDots(size);
        QSet<qreal> xs;
        const qreal r = size / 2.0;
        for (const LogoDot &dot : dots) {
            xs.insert(dot.centre.x());
            // Inside the disc, right of the diameter, fading outwards.
            QVERIFY(std::hypot(dot.centre.x() - r, dot.centre.y() - r) + dot.diameter / 2 <=
                    r + 1e-9);
            QVERIFY(dot.centre.x() > r);
            QVERIFY(dot.opacity > 0.29 && dot.opacity <= 1);
        }
        QCOMPARE(xs.size(), columns);
    }
};

QTEST_MAIN(GeometryTest)
#include "tst_theme_geometry.moc"
