#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListView>
#include <QLocale>
#include <QMessageBox>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTest>

#include <limits>
#include <optional>

#include "engine/Engine.h"
#include "spacelens/SpaceModel.h"
#include "spacelens/SpaceRows.h"
#include "spacelens/ui/SpaceDelegate.h"
#include "spacelens/ui/SpaceView.h"
#include "support/RealInput.h"
#include "support/ScreenShots.h"
#include "support/ScriptedEngine.h"
#include "support/TestEnvironment.h"
#include "support/TrashCheck.h"
#include "support/ViewProbe.h"
#include "theme/controls/Empty.h"
#include "theme/controls/GButton.h"

namespace {

const QString kNotInstalled = QString::fromUtf8(EngineError::notInstalled);

// A file (or folder) named after the last part of its path.
inline DiskEntry entry(const QString &path, qint64 size, bool folder = false) {
    return {path.section(u'/', -1), path, size, folder, {}, {}, {}};
}

// The engine's report on `folder` ("/" for the whole computer).
inline QString reportJson(const QString &folder, const QList<DiskEntry> &entries) {
    QStringList items;
    for (const DiskEntry &e : entries)
        items.append(u"{\"name\":\"%1\",\"path\":\"%2\",\"size\":%3,\"is_dir\":%4}"_qs.arg(
            e.name, e.path, QString::number(e.size), e.isFolder() ? u"true"_qs : u"false"_qs));
    return u"{\"path\":\"%1\",\"entries\":[%2]}"_qs.arg(folder, items.join(u','));
}

// Space Lens over a scripted engine in a temporary home. The engine answers
// "analyze --json <folder>" with the file answer() wrote for the folder,
// after `delay` seconds; a folder without one fails as an unreadable folder
// does. It logs "start <folder>" and "end <folder>" (the whole computer is
// the empty folder); "trash" goes to the real engine.
struct SpaceScene {
    TestEnvironment env;
    SpaceModel model;
    std::optional<SpaceView> view;

    explicit SpaceScene(double delay = 0) {
        env.installEngineInResources(
            ScriptedEngine::realTrash() +
            u"[ \"$1 $2\" = 'analyze --json' ] || exit 1\n"
            "echo \"start $3\" >> \"$HOME/runs.log\"\nsleep "_qs +
            QString::number(delay) +
            u"\nr=0\ncat \"$HOME/answers$3.json\" 2>/dev/null ||"
            " { echo 'Permission denied' >&2; r=1; }\necho \"end $3\" >> \"$HOME/runs.log\"\n"
            "exit $r\n"_qs);
    }
    void answer(const QString &folder, const QString &output) const {
        QVERIFY(TestEnvironment::writeFile(
            env.home() + u"/answers"_qs + (folder == u"/" ? QString() : folder) + u".json"_qs,
            output.toUtf8()));
    }
    void answer(const QString &folder, const QList<DiskEntry> &entries) const {
        answer(folder, reportJson(folder, entries));
    }
    void show() {
        view.emplace(&model);
        ScreenShots::present(&*view);
        QApplication::setActiveWindow(&*view);
    }
    // True once nothing is being measured, with the view drawn.
    bool settle() {
        const bool done = QTest::qWaitFor([&] { return model.measuring().isEmpty(); }, 10000);
        QCoreApplication::processEvents();
        return done;
    }
    QStringList runs() const {
        return QString::fromUtf8(TestEnvironment::readFile(env.home() + u"/runs.log"_qs))
            .split(u'\n', Qt::SkipEmptyParts);
    }
    QStringList rowNames() const {
        QStringList out;
        for (int i = 0; i < view->rows()->rowCount(); ++i)
            out.append(view->rows()->index(i).data().toString());
        return out;
    }
};

QList<DiskEntry> sized(const QList<qint64> &sizes) {
    QList<DiskEntry> out;
    for (qint64 s : sizes) out.append(entry(u"/data/e"_qs + QString::number(out.size()), s));
    return out;
}

// The rows of `report`, from a checked item model, as many as a view that
// keeps its own rows sees after the model announced the change.
QList<SpaceRows::Row> rowsOf(const DiskReport &report, bool topLevel) {
    SpaceRows rows;
    QAbstractItemModelTester tester(&rows, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSortFilterProxyModel seen;
    seen.setSourceModel(&rows);
    rows.setReport({u"/"_qs, sized({1}), {}, {}}, false);
    [&] { QCOMPARE(seen.rowCount(), 1); }();
    rows.setReport(report, topLevel);
    QList<SpaceRows::Row> out;
    for (int i = 0; i < seen.rowCount(); ++i) out.append(rows.row(i));
    [&] { QCOMPARE(seen.rowCount(), rows.rowCount()); }();
    return out;
}

QAbstractButton *buttonOf(QMessageBox *dialog, QMessageBox::ButtonRole role) {
    for (QAbstractButton *b : dialog->buttons())
        if (dialog->buttonRole(b) == role)
            return b;
    return nullptr;
}

}  // namespace

class SpaceLensTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        ScreenShots::loadLook();
        QLocale::setDefault(QLocale(QLocale::English));
    }

    // Empty entries are left out; bars measure against the largest sibling,
    // shares against the folder, never past the whole.
    void rows_data() {
        QTest::addColumn<QList<qint64>>("sizes");
        QTest::addColumn<QList<qint64>>("shown");
        QTest::addColumn<QList<double>>("bars");
        QTest::newRow("empty and unmeasured")
            << QList<qint64>{0, 10, -1} << QList<qint64>{10, -1} << QList<double>{1.0, -0.1};
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
        const QList<SpaceRows::Row> rows = rowsOf({u"/data"_qs, sized(sizes), {}, {}}, true);
        QCOMPARE(rows.size(), shown.size());
        for (qsizetype i = 0; i < rows.size(); ++i) {
            QCOMPARE(rows[i].item.size, shown[i]);
            QCOMPARE(rows[i].bar, bars[i]);
            QVERIFY(rows[i].share <= 1 && (rows[i].share > 0 || rows[i].item.size <= 0));
        }
    }

    // At the top level only: a caption, then the first fifteen large files.
    void largeFiles() {
        QList<DiskEntry> files;
        for (int i = 0; i < 20; ++i) files.append(entry(u"/f"_qs + QString::number(i), 1000 - i));
        const DiskReport report{u"/"_qs, sized({4000}), files, qint64(8000)};
        QCOMPARE(rowsOf(report, false).size(), 1);
        const QList<SpaceRows::Row> rows = rowsOf(report, true);
        QCOMPARE(rows.size(), 17);
        QCOMPARE(rows[1].kind, SpaceRows::Row::largeCaption);
        QCOMPARE(rows.last().item.name, u"f14"_qs);
        QCOMPARE(rows[2].bar, 1.0);              // against the first large file
        QCOMPARE(rows[2].share, 1000.0 / 8000);  // against the folder
    }

    // While the whole computer is measured the pane says so; a failure says
    // why, with advice; Ctrl+R measures again and the rows show. Alt+Left at
    // the top climbs nowhere.
    void bodies() {
        SpaceScene s(0.5);
        s.show();
        QCOMPARE(s.view->body(), s.view->measuringBlock());
        QVERIFY(s.view->rescanButton()->isLoading());
        QVERIFY(s.view->measuringIndicator()->isHidden());  // no report to measure beside
        QVERIFY(ViewProbe::visibleTexts(s.view->body())
                    .contains(u"Measuring your whole Mac. This takes about 30 seconds…"_qs));
        QVERIFY(s.settle());
        QCOMPARE(s.view->body(), s.view->errorBlock());
        QVERIFY(!s.view->rescanButton()->isLoading());
        QVERIFY(ViewProbe::visibleTexts(s.view->body())
                    .join(u'\n')
                    .contains(u"<br>Check that Brightloft has Full Disk Access, then rescan."_qs));
        s.answer(u"/"_qs, sized({5, 0}));
        QVERIFY(RealInput::key(&*s.view, Qt::Key_R, Qt::ControlModifier));
        QTRY_VERIFY(s.view->rescanButton()->isLoading());  // a shortcut's click comes late
        QVERIFY(s.settle());
        QCOMPARE(s.view->body(), s.view->table());
        QCOMPARE(s.view->rows()->rowCount(), 1);
        QCOMPARE(s.view->list()->height(), SpaceDelegate::rowHeight);
        s.view->list()->setFocus();
        QVERIFY(RealInput::key(&*s.view, Qt::Key_Left, Qt::AltModifier));
        QCOMPARE(s.model.trail().size(), 1);
        QCOMPARE(s.view->body(), s.view->table());
        QCOMPARE(s.runs().size(), 4);  // nothing measured again
    }

    // The bundled engine's report on a folder of the temporary home reads
    // into rows, largest first.
    void theRealEngineMeasuresAFolder() {
        SpaceScene s;
        s.env.installRealEngine();
        const QString dir = s.env.home() + u"/Downloads"_qs;
        QVERIFY(TestEnvironment::writeFile(dir + u"/big.iso"_qs, QByteArray(200'000, 'x')));
        QVERIFY(TestEnvironment::writeFile(dir + u"/small.txt"_qs, QByteArray(5'000, 'x')));
        s.model.open(entry(dir, 0, true));
        s.show();
        QVERIFY(s.settle());
        QCOMPARE(s.rowNames(), (QStringList{u"big.iso"_qs, u"small.txt"_qs}));
    }

    // The whole computer is measured, then up to three unmeasured child
    // folders in turn. Opening a folder twice quickly runs the engine once, a
    // cached one not at all, Rescan always; a later load passes over what is
    // measured already. The rows stay a sound item model throughout, as a
    // quick listing gives way to the engine's report.
    void measuresOnceAndPrefetchesInTurn() {
        SpaceScene s(0.05);
        const QString home = s.env.home();
        QList<DiskEntry> root, children;
        for (const char *name : {"d1", "d2", "f", "d3", "d4", "d5", "d6"}) {
            root.append(entry(home + u'/' + QString::fromLatin1(name), 1, name[0] == 'd'));
            s.answer(root.last().path, QList<DiskEntry>());
        }
        const DiskEntry d4 = root[4];
        for (int i = 0; i < 300; ++i) {
            children.append(entry(d4.path + u"/f%1"_qs.arg(i), qint64(i) * 100));
            QVERIFY(TestEnvironment::writeFile(children.last().path));
        }
        s.answer(u"/"_qs, root);
        s.answer(d4.path, children);
        s.view.emplace(&s.model);
        QAbstractItemModelTester tester(s.view->rows(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSortFilterProxyModel seen;  // keeps its own rows: misses what goes unannounced
        seen.setSourceModel(s.view->rows());
        s.model.open(std::nullopt);
        QCOMPARE(s.model.measuring(), QSet<QString>{u"/"_qs});
        QTRY_VERIFY(s.model.reports().contains(root[3].path));
        QVERIFY(s.settle());
        QCOMPARE(seen.rowCount(), 7);
        s.model.open(d4);
        s.model.open(d4);
        QVERIFY(s.settle());
        QCOMPARE(s.model.key(), d4.path);
        QVERIFY(!s.model.provisional().contains(d4.path));
        QVERIFY(seen.rowCount() > 200);
        s.model.setTrail({std::nullopt});
        QTRY_COMPARE(seen.rowCount(), 7);
        s.model.open(d4);
        QVERIFY(s.model.measuring().isEmpty());
        QCOMPARE(s.model.report()->entries, children);
        s.model.load(true);
        QCOMPARE(s.model.measuring(), QSet<QString>{d4.path});
        QVERIFY(s.settle());
        s.model.setTrail({std::nullopt});
        s.model.load(false);
        QTRY_VERIFY(s.model.reports().contains(root[6].path));
        QVERIFY(s.settle());
        QStringList runs;
        for (const char *name : {"", "d1", "d2", "d3", "d4", "d4", "d5", "d6"}) {
            const QString folder = *name ? home + u'/' + QString::fromLatin1(name) : QString();
            runs << u"start "_qs + folder << u"end "_qs + folder;
        }
        QCOMPARE(s.runs(), runs);
    }

    // The model reads through the engine's strict report reader; a failed
    // folder shows its error only while it is on screen.
    void failures_data() {
        QTest::addColumn<QString>("output");  // of the folder that fails; null: no engine
        QTest::addColumn<QString>("where");   // "screen", "prefetch", "left"
        QTest::addColumn<QString>("error");
        QTest::newRow("no JSON") << u"Error: gone"_qs << u"screen"_qs << kNotInstalled;
        QTest::newRow("an entry without size")
            << u"{\"path\":\"/B\",\"entries\":[{\"name\":\"a\",\"path\":\"/B/a\"}]}"_qs
            << u"screen"_qs << u"entries: missing key size"_qs;
        QTest::newRow("no engine at all") << QString() << u"screen"_qs << kNotInstalled;
        QTest::newRow("a prefetched child") << u"Error: gone"_qs << u"prefetch"_qs << QString();
        QTest::newRow("a folder the user left") << u"Error: gone"_qs << u"left"_qs << QString();
    }
    void failures() {
        QFETCH(QString, output);
        QFETCH(QString, where);
        QFETCH(QString, error);
        SpaceScene s(0.1);
        const DiskEntry b = entry(u"/B"_qs, 1, true);
        s.answer(u"/"_qs, {b});
        s.answer(u"/B"_qs, output);
        if (output.isNull())
            QFile::remove(s.env.resources() + u"/engine/mole"_qs);
        if (where != u"prefetch")
            s.model.open(b);
        if (where == u"left")
            s.model.setTrail({});
        if (where != u"screen")
            s.model.load(false);
        QVERIFY(s.settle());
        QTRY_VERIFY(where == u"screen" || s.runs().contains(u"end /B"_qs));
        QCOMPARE(s.model.error().value_or(QString()), error);
        if (where == u"screen") {
            QVERIFY(!s.model.reports().contains(u"/B"_qs));
            QTRY_VERIFY(s.model.report().has_value());  // the quick listing stays
        }
        s.model.setTrail({});
        s.model.load(false);  // a new load clears the error
        QVERIFY(!s.model.error());
        QVERIFY(s.settle());
    }

    // Until the engine has measured a folder, a plain listing stands in:
    // folders by name as people sort them, then files by the room they
    // take, largest first; links are files, never followed.
    void aQuickListingStandsInWhileMeasuring() {
        SpaceScene s(0.5);
        const QString dir = s.env.home() + u"/list"_qs;
        for (const char *name : {"b", "A", "folder10", "folder9", "folder100", "folder19"})
            QDir().mkpath(dir + u'/' + QString::fromLatin1(name));
        QVERIFY(TestEnvironment::writeFile(dir + u"/.hidden"_qs, "0123456789"));
        QVERIFY(TestEnvironment::writeFile(dir + u"/large"_qs, QByteArray(200'000, 'x')));
        QFile sparse(dir + u"/sparse"_qs);
        QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.resize(1'000'000'000));
        sparse.close();
        QVERIFY(QFile::link(dir + u"/A"_qs, dir + u"/link"_qs));
        s.answer(dir, {entry(dir + u"/A"_qs, 4096, true)});

        s.model.open(entry(dir, -1, true));
        QTRY_VERIFY(s.model.provisional().contains(dir));
        const DiskReport quick = *s.model.report();
        QVERIFY(!quick.largeFiles && !quick.totalSize);
        QStringList names;
        QHash<QString, qint64> sizes;
        for (const DiskEntry &e : quick.entries) {
            names.append(e.name);
            sizes.insert(e.name, e.size);
            QCOMPARE(e.path, dir + u'/' + e.name);
            QCOMPARE(e.isFolder(), e.size == DiskEntry::unmeasured);
            QVERIFY(!e.insight && !e.cleanable && !e.lastAccess);
        }
        QCOMPARE(names.mid(0, 7), QStringList({u"A"_qs, u"b"_qs, u"folder9"_qs, u"folder10"_qs,
                                               u"folder19"_qs, u"folder100"_qs, u"large"_qs}));
        QCOMPARE(names.size(), 10);
        QVERIFY(sizes[u"large"_qs] >= 200'000);
        QVERIFY(sizes[u".hidden"_qs] > 0);
        QVERIFY(sizes[u"sparse"_qs] < 1'000'000);  // allocated, not apparent
        QVERIFY(sizes[u"link"_qs] >= 0);

        QVERIFY(s.settle());
        QVERIFY(!s.model.provisional().contains(dir));
        QCOMPARE(s.model.report()->entries, QList<DiskEntry>{entry(dir + u"/A"_qs, 4096, true)});
    }

    // Every field of the report is read, past text before the JSON and keys
    // the app does not know. Moving an entry asks first, and Cancel keeps
    // it. A moved entry leaves the report and the largest files, with
    // whatever lay inside it (but not a sibling sharing its name's start);
    // the totals stay as measured. A dangling link goes like any entry.
    void trashDropsTheEntryEverywhereButKeepsTotals() {
        SpaceScene s;
        const QString folder = s.env.home() + u"/Films"_qs, film = folder + u"/film.mkv"_qs;
        const QString link = s.env.home() + u"/dangling"_qs;
        QVERIFY(TestEnvironment::writeFile(film, QByteArray(10'000, 'x')));
        QVERIFY(QFile::link(s.env.home() + u"/nowhere"_qs, link));
        s.answer(u"/"_qs,
                 u"Scanning…\n{\"path\":\"/\",\"entries\":[{\"name\":\"Films\",\"path\":\"%1\","
                 "\"size\":10000,\"is_dir\":true,\"insight\":false,\"cleanable\":true,"
                 "\"last_access\":\"2 days\",\"extra\":1},{\"name\":\"dangling\",\"path\":\"%3\","
                 "\"size\":1}],\"large_files\":[{\"name\":\"film.mkv\",\"path\":\"%2\","
                 "\"size\":10000},{\"name\":\"Films2\",\"path\":\"%1x\",\"size\":5}],"
                 "\"total_size\":10005,\"x\":[]}"_qs.arg(folder, film, link));
        s.show();
        QVERIFY(s.settle());
        const DiskEntry dangling{u"dangling"_qs, link, 1, {}, {}, {}, {}},
            films2{u"Films2"_qs, folder + u"x"_qs, 5, {}, {}, {}, {}};
        QVERIFY(
            s.model.report() ==
            DiskReport({u"/"_qs,
                        {{u"Films"_qs, folder, 10000, true, false, true, u"2 days"_qs}, dangling},
                        QList<DiskEntry>{{u"film.mkv"_qs, film, 10000, {}, {}, {}, {}}, films2},
                        qint64(10005)}));
        QSignalSpy reports(&s.model, &SpaceModel::reportsChanged);
        for (const auto role : {QMessageBox::RejectRole, QMessageBox::DestructiveRole}) {
            const DiskEntry asked =
                role == QMessageBox::RejectRole ? dangling : s.model.report()->entries.at(0);
            s.view->requestTrash(asked);
            QMessageBox *dialog = s.view->trashDialog();
            QVERIFY(dialog && s.view->pendingTrash() && QTest::qWaitForWindowExposed(dialog));
            // The move drawn as the destructive action, in the app's own look.
            auto *move = qobject_cast<GButton *>(buttonOf(dialog, QMessageBox::DestructiveRole));
            QVERIFY(move && move->kind() == GButton::Kind::error);
            QCOMPARE(
                dialog->text() + u" | "_qs + dialog->informativeText() + u" | "_qs + move->text(),
                u"Move “"_qs + asked.name +
                    u"” to the Trash? | You can restore it from the Trash until you empty "
                    "it. | Move to Trash"_qs);
            QVERIFY(RealInput::click(buttonOf(dialog, role)));
            QVERIFY(!s.view->pendingTrash());
        }
        QVERIFY(reports.wait());
        QCOMPARE(s.model.report()->entries, QList<DiskEntry>{dangling});
        QCOMPARE(s.model.report()->largeFiles, QList<DiskEntry>{films2});
        QCOMPARE(s.model.report()->totalSize, std::optional<qint64>(10005));
        QCOMPARE(TrashCheck::problemWith(folder), QString());
        QVERIFY(QFileInfo(link).isSymLink());  // cancelled
        s.model.trash(s.model.report()->entries.at(0));
        QVERIFY(reports.wait());
        QVERIFY(s.model.report()->entries.isEmpty());
        QVERIFY(!QFileInfo(link).isSymLink());
        QCOMPARE(TrashCheck::problemWith(link), QString());
        QVERIFY(!s.model.error());

        // Refused (the home itself): the folder's error; nothing else changes.
        QSignalSpy error(&s.model, &SpaceModel::errorChanged);
        s.model.trash(entry(s.env.home(), 1, true));
        QVERIFY(error.wait());
        QVERIFY(s.model.error() && !s.model.error()->isEmpty());
        QCOMPARE(reports.size(), 2);
        QVERIFY(QFileInfo::exists(s.env.home() + u"/answers.json"_qs));

        // A name the report could not carry is not taken for gone.
        error.clear();
        s.model.trash(entry(s.env.home() + u"/x\ufffd"_qs, 1));
        QCOMPARE(error.size(), 1);
        QCOMPARE(reports.size(), 2);
    }
};

QTEST_MAIN(SpaceLensTest)
#include "tst_spacelens.moc"
