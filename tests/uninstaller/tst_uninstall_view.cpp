#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QSortFilterProxyModel>
#include <QTest>

#include "AppsEngine.h"
#include "support/RealInput.h"
#include "support/ScreenShots.h"
#include "theme/Text.h"
#include "theme/controls/ConfirmButton.h"
#include "theme/controls/PageTitle.h"
#include "theme/controls/SummaryStrip.h"
#include "uninstaller/AppDetail.h"
#include "uninstaller/AppRows.h"
#include "uninstaller/LeftoverList.h"
#include "uninstaller/UninstallView.h"

namespace {

QStringList names(const QList<InstalledApp> &apps) {
    QStringList out;
    for (const InstalledApp &a : apps) out.append(a.name);
    return out;
}

// Every label text inside `w`.
QStringList texts(const QWidget *w) {
    QStringList out;
    for (const QLabel *l : w->findChildren<QLabel *>()) out.append(l->text());
    return out;
}

// An Uninstaller pane over the scripted engine, shown in a window.
struct Scene : AppsScene {
    std::optional<UninstallView> view;

    void show() {
        install();
        view.emplace(&model);
        ScreenShots::present(&*view);
        QApplication::setActiveWindow(&*view);
    }
    int dryRuns() const {
        return int(engine.invocations().filter(u"uninstall --dry-run"_qs).size());
    }
    QPoint rowCentre(int row) const {
        return view->list()->visualRect(view->rows()->index(row)).center();
    }
    AppDetail *detail() const { return qobject_cast<AppDetail *>(view->detail()); }
};

}  // namespace

class UninstallViewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        ScreenShots::loadLook();
        QLocale::setDefault(QLocale(QLocale::English));
    }

    // The rows, checked as an item model while the search and the sizes
    // change them: largest first, unknown sizes last, ties in the engine's order.
    void rows_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QList<qint64>>("sizes");  // per app of A, b, C, d; negative: unknown
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("unknown sizes keep the engine's order")
            << QString() << QList<qint64>{-1, -1, -1, -1}
            << QStringList{u"Alpha"_qs, u"beta"_qs, u"Gamma"_qs, u"Alphabet"_qs};
        QTest::newRow("largest first, ties stable")
            << QString() << QList<qint64>{5, 9, 5, -1}
            << QStringList{u"beta"_qs, u"Alpha"_qs, u"Gamma"_qs, u"Alphabet"_qs};
        QTest::newRow("name contains, any case")
            << u"ALPH"_qs << QList<qint64>{1, 2, 3, 4} << QStringList{u"Alphabet"_qs, u"Alpha"_qs};
        QTest::newRow("paths are not searched") << u"opt"_qs << QList<qint64>{} << QStringList{};
    }
    void rows() {
        QFETCH(QString, query);
        QFETCH(QList<qint64>, sizes);
        QFETCH(QStringList, shown);
        const QList<InstalledApp> apps{app(u"Alpha"_qs), app(u"beta"_qs), app(u"Gamma"_qs),
                                       app(u"Alphabet"_qs)};
        QHash<QString, qint64> known;
        for (qsizetype i = 0; i < sizes.size(); ++i)
            if (sizes[i] >= 0)
                known.insert(apps[i].path, sizes[i]);
        AppRows rows;
        QAbstractItemModelTester tester(&rows,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSortFilterProxyModel seen;  // keeps its own rows: misses what goes unannounced
        seen.setSourceModel(&rows);
        const auto seenNames = [&] {
            QStringList out;
            for (int i = 0; i < seen.rowCount(); ++i)
                out.append(seen.index(i, 0).data().toString());
            return out;
        };
        QVERIFY(seenNames().isEmpty());
        rows.update(apps, {}, {});
        QCOMPARE(seenNames(), names(apps));
        rows.update(apps, known, {});
        seenNames();
        rows.update(apps, known, query);
        QCOMPARE(seenNames(), shown);
    }

    void searchAndItsEmptyText() {
        Scene s;
        s.engine.list = listJson({app(u"Alpha"_qs), app(u"Beta"_qs)});
        s.show();
        QVERIFY(s.load());
        QCOMPARE(s.view->rows()->rowCount(), 2);
        QVERIFY(s.view->listNote()->isHidden());

        // Ctrl+F reaches the field even while the list has focus.
        s.view->list()->setFocus();
        QVERIFY(RealInput::key(&*s.view, Qt::Key_F, Qt::ControlModifier));
        QVERIFY(s.view->search()->hasFocus());
        QTest::keyClicks(s.view->search(), u"zz"_qs);
        QVERIFY(s.view->list()->isHidden());
        QCOMPARE(s.view->listNote()->text(), u"No apps match “zz”."_qs);
        s.view->search()->clear();
        QCOMPARE(s.view->rows()->rowCount(), 2);
        QVERIFY(!s.view->list()->isHidden());
    }

    void listingErrorIsShown() {
        Scene s;
        s.show();  // the engine prints nothing a listing can be read from
        QVERIFY(s.load());
        QVERIFY(s.model.error());
        QVERIFY(!s.view->listNote()->isHidden());
        QVERIFY(s.view->listNote()->text().contains(*s.model.error()));
        QVERIFY(texts(s.view->pageTitle())
                    .contains(u"Remove apps together with the files they leave behind."_qs));
    }

    void hoverPrefetch_data() {
        QTest::addColumn<bool>("rest");
        QTest::newRow("moving across rows") << false;
        QTest::newRow("resting on a row") << true;
    }
    void hoverPrefetch() {
        QFETCH(bool, rest);
        Scene s;
        s.engine.list = listJson({app(u"A"_qs), app(u"B"_qs), app(u"C"_qs)});
        s.engine.dryRuns = {{u"a"_qs, dryRun({u"/x/a"_qs})}};
        s.show();
        QVERIFY(s.load());
        QWidget *viewport = s.view->list()->viewport();
        for (int row = 0; row < 3; ++row) {
            QTest::mouseMove(viewport, s.rowCentre(row));
            QTest::qWait(UninstallView::hoverDelayMs / 5);
        }
        if (rest) {
            QTest::mouseMove(viewport, s.rowCentre(0));
            QVERIFY(QTest::qWaitFor([&] { return s.dryRuns() == 1; }, 5000));
        } else {
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(viewport, &leave);
            QTest::qWait(UninstallView::hoverDelayMs * 2);
            QCOMPARE(s.dryRuns(), 0);
        }
    }

    // Chosen by a click on its row: finding the files, the plan (its
    // leftovers a checked item model), a failed dry run, the cached plan.
    void detailStates() {
        Scene s;
        s.engine.list = listJson({app(u"Foo"_qs), app(u"Bad"_qs)});
        s.engine.dryRuns = {{u"foo"_qs, dryRun({u"/opt/Foo"_qs, u"~/.config/foo"_qs})}};
        s.engine.gate = s.env.home() + u"/go"_qs;
        s.show();
        QVERIFY(s.load());
        QVERIFY(texts(s.view->detail()).contains(u"Select an App"_qs));

        QVERIFY(RealInput::click(s.view->list()->viewport(), s.rowCentre(0)));
        QCOMPARE(s.model.selection(), std::optional(s.model.apps().first().path));
        QCoreApplication::processEvents();
        QVERIFY(s.detail());
        QVERIFY(!s.detail()->uninstallButton()->isEnabled());
        QVERIFY(texts(s.detail()).contains(u"Finding related files…"_qs));
        QCOMPARE(texts(s.detail()->stats()->cell(0)).last(), u"…"_qs);

        QFile(s.engine.gate).open(QIODevice::WriteOnly);
        QVERIFY(QTest::qWaitFor([&] { return s.model.preview().kind == AppsModel::Preview::files; },
                                10000));
        QCoreApplication::processEvents();
        QVERIFY(s.detail() && s.detail()->uninstallButton()->isEnabled());
        QAbstractItemModelTester tester(s.detail()->files()->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(s.detail()->files()->model()->rowCount(), 2);
        QCOMPARE(texts(s.detail()->stats()->cell(0)).last(), u"2"_qs);
        QCOMPARE(texts(s.detail()->stats()->cell(1)).last(), u"1.5 MB"_qs);

        s.removeEngine();  // the next dry run fails
        QVERIFY(RealInput::click(s.view->list()->viewport(), s.rowCentre(1)));
        QVERIFY(QTest::qWaitFor(
            [&] { return s.model.preview().kind == AppsModel::Preview::failed; }, 10000));
        QCoreApplication::processEvents();
        QVERIFY(texts(s.view->detail()).contains(u"Couldn't Uninstall"_qs));
        QVERIFY(texts(s.view->detail()).contains(u"Couldn't list this app's files."_qs));

        QVERIFY(RealInput::click(s.view->list()->viewport(), s.rowCentre(0)));  // cached: at once
        QCoreApplication::processEvents();
        QVERIFY(s.detail() && s.detail()->uninstallButton()->isEnabled());
        s.view->resize(1080, 820);
        QVERIFY(ScreenShots::shoot(&*s.view, u"uninstall-detail"_qs));
    }
};

QTEST_MAIN(UninstallViewTest)
#include "tst_uninstall_view.moc"
