#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListView>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <limits>

#include "spacelens/SpaceDelegate.h"
#include "spacelens/SpaceModel.h"
#include "spacelens/SpaceRows.h"
#include "spacelens/SpaceView.h"
#include "support/RealInput.h"
#include "support/ScreenShots.h"
#include "support/TestEnvironment.h"
#include "support/TrashCheck.h"
#include "support/ViewProbe.h"
#include "theme/controls/Empty.h"
#include "theme/controls/GButton.h"

namespace {

DiskEntry entry(const QString &name, qint64 size, bool folder = false) {
    return {name, u"/data/"_qs + name, size, folder, std::nullopt, std::nullopt, std::nullopt};
}

QList<DiskEntry> sized(const QList<qint64> &sizes) {
    QList<DiskEntry> out;
    for (qint64 s : sizes) out.append(entry(u"e"_qs + QString::number(out.size()), s));
    return out;
}

// The engine's report on `folder` ("/" for the whole computer).
QString reportJson(const QString &folder, const QList<DiskEntry> &entries) {
    QStringList items;
    for (const DiskEntry &e : entries)
        items.append(u"{\"name\":\"%1\",\"path\":\"%2\",\"size\":%3,\"is_dir\":%4}"_qs.arg(
            e.name, e.path, QString::number(e.size), e.isFolder() ? u"true"_qs : u"false"_qs));
    return u"{\"path\":\"%1\",\"entries\":[%2]}"_qs.arg(folder, items.join(u','));
}

// An analysing engine that answers from "$HOME/answers<folder>.json" (the
// whole computer: "$HOME/answers.json") and logs each folder it measures.
const QString kAnalyzer =
    u"[ \"$1 $2\" = 'analyze --json' ] || exit 1\n"
    "echo \"run $3\" >> \"$HOME/runs.log\"\n"
    "[ -e \"$HOME/slow\" ] && sleep 1\n"
    "cat \"$HOME/answers$3.json\" 2>/dev/null || { echo 'Permission denied' >&2; exit 1; }\n"_qs;

QStringList rowNames(const SpaceView &view) {
    QStringList out;
    for (int i = 0; i < view.rows()->rowCount(); ++i)
        out.append(view.rows()->data(view.rows()->index(i), Qt::DisplayRole).toString());
    return out;
}

QStringList menuItems(QMenu *menu) {
    QStringList out;
    for (QAction *a : menu->actions()) out.append(a->isSeparator() ? u"-"_qs : a->text());
    delete menu;
    return out;
}

// A Space Lens pane over the scripted engine in a temporary home.
struct Scene {
    TestEnvironment env;
    std::optional<SpaceModel> model;
    std::optional<SpaceView> view;

    Scene() { env.installEngineInResources(kAnalyzer); }
    void answer(const QString &folder, const QString &report) const {
        QVERIFY(TestEnvironment::writeFile(
            env.home() + u"/answers"_qs + (folder == u"/" ? QString() : folder) + u".json"_qs,
            report.toUtf8()));
    }
    void show() {
        model.emplace();
        view.emplace(&*model);
        ScreenShots::present(&*view);
        QApplication::setActiveWindow(&*view);
    }
    bool settle() {
        const bool done = QTest::qWaitFor([&] { return model->measuring().isEmpty(); }, 10000);
        QCoreApplication::processEvents();
        return done;
    }
    int runs() const {
        return int(TestEnvironment::readFile(env.home() + u"/runs.log"_qs).count('\n'));
    }
    QString folder(const QString &name) const {
        const QString path = env.home() + u'/' + name;
        QDir().mkpath(path);
        return path;
    }
};

}  // namespace

class SpaceViewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        ScreenShots::loadLook();
        QLocale::setDefault(QLocale(QLocale::English));
    }

    void rows_data() {
        QTest::addColumn<QList<qint64>>("sizes");
        QTest::addColumn<QList<qint64>>("shown");
        QTest::addColumn<QList<double>>("bars");
        QTest::newRow("empty and unmeasured")
            << QList<qint64>{0, 10, -1} << QList<qint64>{10, -1} << QList<double>{1.0, -0.1};
        QTest::newRow("all ones fill every bar")
            << QList<qint64>{1, 1, 1} << QList<qint64>{1, 1, 1} << QList<double>{1.0, 1.0, 1.0};
        QTest::newRow("zeros only") << QList<qint64>{0, 0} << QList<qint64>{} << QList<double>{};
        QTest::newRow("by the largest")
            << QList<qint64>{50, 200, 100} << QList<qint64>{50, 200, 100}
            << QList<double>{0.25, 1.0, 0.5};
        const qint64 huge = std::numeric_limits<qint64>::max();
        QTest::newRow("totals beyond the size range")
            << QList<qint64>{huge, huge} << QList<qint64>{huge, huge} << QList<double>{1.0, 1.0};
    }
    void rows() {
        QFETCH(QList<qint64>, sizes);
        QFETCH(QList<qint64>, shown);
        QFETCH(QList<double>, bars);
        const QList<SpaceRows::Row> rows =
            SpaceRows::build({u"/data"_qs, sized(sizes), {}, {}}, true);
        QCOMPARE(rows.size(), shown.size());
        for (qsizetype i = 0; i < rows.size(); ++i) {
            QCOMPARE(rows[i].item.size, shown[i]);
            QCOMPARE(rows[i].bar, bars[i]);
            QVERIFY(rows[i].share <= 1 && (rows[i].share > 0 || rows[i].item.size <= 0));
        }
    }

    void largeFiles_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("topLevel");
        QTest::addColumn<int>("listed");
        QTest::newRow("twenty at the top") << 20 << true << 15;
        QTest::newRow("three at the top") << 3 << true << 3;
        QTest::newRow("one level down") << 20 << false << 0;
        QTest::newRow("none") << 0 << true << 0;
    }
    void largeFiles() {
        QFETCH(int, count);
        QFETCH(bool, topLevel);
        QFETCH(int, listed);
        QList<DiskEntry> files;
        for (int i = 0; i < count; ++i) files.append(entry(u"f"_qs + QString::number(i), 1000 - i));
        const DiskReport report{u"/"_qs, sized({4000}), files, qint64(8000)};
        const QList<SpaceRows::Row> rows = SpaceRows::build(report, topLevel);
        QCOMPARE(rows.size(), 1 + (listed ? listed + 1 : 0));
        if (listed) {
            QCOMPARE(rows[1].kind, SpaceRows::Row::largeCaption);
            QCOMPARE(rows.last().item.name, u"f"_qs + QString::number(listed - 1));
            QCOMPARE(rows[2].bar, 1.0);              // against the first large file
            QCOMPARE(rows[2].share, 1000.0 / 8000);  // against the folder
        }
    }

    void shareText_data() {
        QTest::addColumn<double>("share");
        QTest::addColumn<QString>("text");
        QTest::newRow("below a per mille") << 0.0009 << u"<0.1%"_qs;
        QTest::newRow("a per mille") << 0.001 << u"0.1%"_qs;
        QTest::newRow("a share") << 0.1234 << u"12.3%"_qs;
        QTest::newRow("all") << 1.0 << u"100.0%"_qs;
    }
    void shareText() {
        QFETCH(double, share);
        QFETCH(QString, text);
        QCOMPARE(SpaceRows::shareText(share), text);
    }

    void breadcrumbsAndBackStartNoRun() {
        Scene s;
        const QString docs = s.folder(u"Docs"_qs);
        const QString deep = s.folder(u"Docs/Deep"_qs);
        const DiskEntry docsEntry{u"Docs"_qs, docs, 300, true, {}, {}, {}};
        s.answer(u"/"_qs, reportJson(u"/"_qs, {docsEntry, entry(u"a.bin"_qs, 100)}));
        s.answer(docs, reportJson(docs, {{u"Deep"_qs, deep, 200, true, {}, {}, {}}}));
        s.answer(deep, reportJson(deep, {entry(u"x"_qs, 5)}));
        s.show();
        QVERIFY(s.settle());
        QVERIFY(s.view->backButton()->isHidden());
        QCOMPARE(s.view->crumbs().size(), 1);
        QCOMPARE(s.view->crumbs()[0]->text(), u"This Mac"_qs);
        QCOMPARE(rowNames(*s.view), (QStringList{u"Docs"_qs, u"a.bin"_qs}));

        // At the top, Ctrl+[ has nothing to climb.
        QTest::keyClick(&*s.view, Qt::Key_BracketLeft, Qt::ControlModifier);
        QTest::qWait(150);  // a shortcut clicks its button after a short flash
        QCOMPARE(s.model->trail().size(), 1);

        // Into a folder by clicking its row; then one further by the model.
        QTest::mouseClick(s.view->list()->viewport(), Qt::LeftButton, {},
                          s.view->list()->visualRect(s.view->rows()->index(0)).center());
        QVERIFY(QTest::qWaitFor([&] { return s.model->trail().size() == 2; }));
        QVERIFY(s.settle());
        s.model->open(s.model->report()->entries.first());
        QVERIFY(s.settle());
        QCOMPARE(s.view->crumbs().size(), 3);
        QVERIFY(!s.view->backButton()->isHidden());
        const int runs = s.runs();

        QTest::keyClick(&*s.view, Qt::Key_BracketLeft, Qt::ControlModifier);
        QTRY_COMPARE(s.model->trail().size(), 2);
        QCoreApplication::processEvents();
        QCOMPARE(rowNames(*s.view), QStringList{u"Deep"_qs});
        QTest::mouseClick(s.view->crumbs()[0], Qt::LeftButton);
        QCoreApplication::processEvents();
        QCOMPARE(s.model->trail().size(), 1);
        QVERIFY(s.view->backButton()->isHidden());
        QCOMPARE(s.runs(), runs);
    }

    void menusOfFilesAndFolders() {
        Scene s;
        s.show();
        QCOMPARE(menuItems(s.view->actionsMenu(entry(u"f"_qs, 1), &*s.view)),
                 (QStringList{u"Show in Finder"_qs, u"-"_qs, u"Move to Trash…"_qs}));
        QCOMPARE(menuItems(s.view->actionsMenu(entry(u"d"_qs, 1, true), &*s.view)),
                 (QStringList{u"Show in Finder"_qs, u"Open"_qs, u"-"_qs, u"Move to Trash…"_qs}));
    }

    void bodies_data() {
        QTest::addColumn<bool>("slow");
        QTest::addColumn<bool>("answered");
        QTest::addColumn<QString>("shown");
        QTest::newRow("measuring the whole computer") << true << false << u"measuring"_qs;
        QTest::newRow("failed") << false << false << u"error"_qs;
        QTest::newRow("measured") << false << true << u"table"_qs;
    }
    void bodies() {
        QFETCH(bool, slow);
        QFETCH(bool, answered);
        QFETCH(QString, shown);
        Scene s;
        if (slow)
            QFile(s.env.home() + u"/slow"_qs).open(QIODevice::WriteOnly);
        if (answered)
            s.answer(u"/"_qs, reportJson(u"/"_qs, sized({5, 0})));
        s.show();
        if (!slow)
            QVERIFY(s.settle());
        QCoreApplication::processEvents();
        QWidget *body = s.view->body();
        QVERIFY(body);
        if (shown == u"measuring") {
            QCOMPARE(body, s.view->measuringBlock());
            QVERIFY(s.view->rescanButton()->isLoading());
            QVERIFY(s.view->measuringIndicator()->isHidden());  // no report to measure beside
            QVERIFY(ViewProbe::visibleTexts(body).contains(
                u"Measuring your whole Mac. This takes about 30 seconds…"_qs));
            QVERIFY(s.settle());
        } else if (shown == u"error") {
            QCOMPARE(body, s.view->errorBlock());
            QVERIFY(!s.view->rescanButton()->isLoading());
            QVERIFY(!ViewProbe::visibleTexts(body)
                         .filter(u"<br>Check that Brightloft has Full Disk Access, then rescan."_qs)
                         .isEmpty());
        } else {
            QCOMPARE(body, s.view->table());
            QCOMPARE(s.view->rows()->rowCount(), 1);
            QCOMPARE(s.view->list()->height(), SpaceDelegate::rowHeight);
        }
    }

    // Confirming is the real-engine case below.
    void trashAsksFirstAndCancelKeepsTheFile() {
        Scene s;
        const QString file = s.env.home() + u"/Downloads/big.iso"_qs;
        QVERIFY(TestEnvironment::writeFile(file, QByteArray(4096, 'x')));
        const DiskEntry big{u"big.iso"_qs, file, 4096, false, {}, {}, {}};
        s.answer(u"/"_qs, reportJson(u"/"_qs, {big, entry(u"other"_qs, 10)}));
        s.show();
        QVERIFY(s.settle());

        s.view->requestTrash(s.model->report()->entries.first());
        QMessageBox *dialog = s.view->trashDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->text(), u"Move “big.iso” to the Trash?"_qs);
        QCOMPARE(dialog->informativeText(),
                 u"You can restore it from the Trash until you empty it."_qs);
        QVERIFY(s.view->pendingTrash());
        QStringList destructive;
        QAbstractButton *cancel = nullptr;
        GButton *move = nullptr;
        for (QAbstractButton *b : dialog->buttons()) {
            if (dialog->buttonRole(b) == QMessageBox::DestructiveRole) {
                destructive << b->text();
                move = qobject_cast<GButton *>(b);
            }
            if (dialog->buttonRole(b) == QMessageBox::RejectRole)
                cancel = b;
        }
        QCOMPARE(destructive, QStringList{u"Move to Trash"_qs});
        // Drawn as the destructive action, in the app's own look.
        QVERIFY(move && move->kind() == GButton::Kind::error);
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QVERIFY(ScreenShots::shoot(dialog, u"space-trash-dialog"_qs));
        QVERIFY(RealInput::click(cancel));
        QVERIFY(!s.view->pendingTrash());
        QTest::qWait(50);
        QCOMPARE(s.view->rows()->rowCount(), 2);
        QVERIFY(QFile::exists(file));
    }

    // The bundled engine measures a folder of the temporary home; the file
    // moved from the pane is gone from the rows and sits in the Trash.
    void trashWithTheRealEngine() {
        Scene s;
        s.env.installRealEngine();
        const QString dir = s.env.home() + u"/Downloads"_qs;
        QVERIFY(TestEnvironment::writeFile(dir + u"/big.iso"_qs, QByteArray(200'000, 'x')));
        QVERIFY(TestEnvironment::writeFile(dir + u"/small.txt"_qs, QByteArray(5'000, 'x')));
        s.model.emplace();
        s.model->open(DiskEntry{u"Downloads"_qs, dir, 0, true, {}, {}, {}});
        QVERIFY(s.settle());
        s.view.emplace(&*s.model);
        ScreenShots::present(&*s.view);
        QVERIFY(s.settle());
        QCOMPARE(rowNames(*s.view), (QStringList{u"big.iso"_qs, u"small.txt"_qs}));

        s.view->requestTrash(s.view->rows()->row(0).item);
        QVERIFY(QTest::qWaitForWindowExposed(s.view->trashDialog()));
        for (QAbstractButton *b : s.view->trashDialog()->buttons())
            if (s.view->trashDialog()->buttonRole(b) == QMessageBox::DestructiveRole)
                QVERIFY(RealInput::click(b));
        QVERIFY(QTest::qWaitFor([&] { return s.view->rows()->rowCount() == 1; }, 10000));
        QCOMPARE(rowNames(*s.view), QStringList{u"small.txt"_qs});
        QCOMPARE(TrashCheck::problemWith(dir + u"/big.iso"_qs), QString());
    }
};

QTEST_MAIN(SpaceViewTest)
#include "tst_space_view.moc"
