#include <QAbstractItemModelTester>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QTest>

#include "engine/Engine.h"
#include "theme/controls/PageTitle.h"
#include "uninstaller/AppRows.h"
#include "uninstaller/AppsEngine.h"
#include "uninstaller/UninstallView.h"

namespace {

using Preview = AppsModel::Preview;

}  // namespace

Q_DECLARE_METATYPE(QList<InstalledApp>)

class AppsModelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A list that fails says why, in the engine's words; "The cleaning
    // engine is missing." is only for an engine that is.
    void listing_data() {
        QTest::addColumn<QString>("script");  // null: no engine
        QTest::addColumn<QList<InstalledApp>>("apps");
        QTest::addColumn<QString>("error");  // "*": any
        const InstalledApp tool = app(u"Tool"_qs);
        const auto print = [](const QString &text) {
            return ScriptedEngine::printLines(text.split(u'\n'));
        };
        QTest::newRow("progress, then an empty array")
            << print(u"Looking for apps…\n[]"_qs) << QList<InstalledApp>() << QString();
        QTest::newRow("leading text, unknown keys ignored")
            << print(
                   u"Found 1 app\n[{\"name\":\"Tool\",\"bundle_id\":\"org.example.Tool\","
                   "\"source\":\"AppImage\",\"uninstall_name\":\"tool\",\"path\":\"/opt/Tool\","
                   "\"version\":2}]"_qs)
            << QList<InstalledApp>{tool} << QString();
        QTest::newRow("a bracket in the leading text")
            << print(u"[info] listing\n"_qs + listJson({tool})) << QList<InstalledApp>() << u"*"_qs;
        QTest::newRow("no array") << print(u"Looking…\nnothing to list"_qs) << QList<InstalledApp>()
                                  << u"nothing to list"_qs;
        QTest::newRow("no engine")
            << QString() << QList<InstalledApp>() << QString::fromUtf8(EngineError::notInstalled);
        QTest::newRow("refusal")
            << u"echo 'mole uninstall: cannot read the desktop entries' >&2; exit 1"_qs
            << QList<InstalledApp>() << u"cannot read the desktop entries"_qs;
        QTest::newRow("silence") << u"exit 0"_qs << QList<InstalledApp>()
                                 << u"The cleaning engine gave no list of apps."_qs;
        QTest::newRow("crash")
            << u"kill -SEGV $$"_qs << QList<InstalledApp>()
            << u"The cleaning engine stopped unexpectedly (Segmentation fault)."_qs;
    }
    void listing() {
        QFETCH(QString, script);
        QFETCH(QList<InstalledApp>, apps);
        QFETCH(QString, error);
        AppsScene s;
        if (!script.isNull())
            s.env.installEngineInResources(u"ulimit -c 0\necho \"$*\" >> '"_qs + s.engine.log +
                                           u"'\n"_qs + script + u'\n');
        s.model.load();
        QVERIFY(s.model.isLoading());
        QVERIFY(s.load());  // already loading: no second run
        QCOMPARE(s.model.apps(), apps);
        if (error == u"*")
            QVERIFY(s.model.error() && !s.model.error()->isEmpty());
        else
            QCOMPARE(s.model.error().value_or(QString()), error);
        const QStringList asked =
            script.isNull() ? QStringList() : QStringList{u"uninstall --list"_qs};
        QCOMPARE(s.engine.invocations(), asked);
        if (!apps.isEmpty()) {
            s.model.load();  // listed: never again
            QVERIFY(!s.model.isLoading());
            QCOMPARE(s.engine.invocations(), asked);
        }
    }

    // The list's rows, as the Uninstaller shows them, stay a sound item
    // model while the engine lists, du measures (one run for every app,
    // whatever their names hold) and the search narrows and widens.
    void listRowsStaySoundAndSized() {
        AppsScene s;
        QList<InstalledApp> apps;
        for (int i = 0; i < 60; ++i) {
            const QString folder = s.env.home() + u"/Apps/App%1"_qs.arg(i);
            QVERIFY(TestEnvironment::writeFile(folder + u"/bin"_qs, QByteArray(i * 1000, 'x')));
            apps.append(app(u"App%1"_qs.arg(i), u"AppImage"_qs, folder));
        }
        for (const QString &name :
             {u"tab\there"_qs, u"new\nline"_qs, u"-dash"_qs, u"quote'\""_qs}) {
            apps.append(app(name, u"AppImage"_qs, s.env.home() + u"/Apps/"_qs + name));
            QVERIFY(TestEnvironment::writeFile(apps.last().path + u"/bin"_qs,
                                               QByteArray(500'000, 'x')));
        }
        apps.append(app(u"Missing"_qs, u"AppImage"_qs, s.env.home() + u"/Apps/missing"_qs));
        s.engine.list = u"Looking…\n"_qs + listJson(apps);
        s.install();
        UninstallView view(&s.model);
        QAbstractItemModelTester tester(view.rows(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSortFilterProxyModel seen;  // keeps its own rows: misses what goes unannounced
        seen.setSourceModel(view.rows());
        QCOMPARE(seen.rowCount(), 0);
        QVERIFY(s.load());
        QCOMPARE(seen.rowCount(), 65);
        QVERIFY(QTest::qWaitFor([&] { return s.model.sizes().size() == 64; }, 10000));
        for (const InstalledApp &a : apps.mid(60, 4))
            QVERIFY2(s.model.sizes().value(a.path) >= 500'000, qPrintable(a.path));
        QCoreApplication::processEvents();
        QCOMPARE(view.rows()->app(0).name, apps[60].name);  // largest first
        const QString title = view.pageTitle()->findChildren<QLabel *>().last()->text();
        QVERIFY2(title.startsWith(u"65 apps · "_qs) && title.endsWith(u" total"_qs),
                 qPrintable(title));
        for (const char *query : {"App1", "App12", "nothing", "", "app5", "App"}) {
            view.search()->setText(QString::fromLatin1(query));
            QCoreApplication::processEvents();
        }
        QCOMPARE(seen.rowCount(), 60);
    }

    // A dry run's leftover lines ("✓ path , size") and its total.
    void plans_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QStringList>("sizes");
        QTest::addColumn<QString>("total");
        QTest::newRow("indented tilde path")
            << u"  \u2713 ~/.config/tool , 12 KB\nPotential space: 12 KB"_qs
            << QStringList{u"~/.config/tool"_qs} << QStringList{u"12 KB"_qs} << u"12 KB"_qs;
        QTest::newRow("absolute path without a size, no total")
            << u"\u2713 /opt/tool"_qs << QStringList{u"/opt/tool"_qs} << QStringList{u""_qs}
            << u"\u2014"_qs;
        QTest::newRow("text after the check mark is not a path")
            << u"\u2713 Done , 1 KB\n\u2713 /a , 1 KB , extra\n\u2717 /b , 1 KB"_qs
            << QStringList{u"/a"_qs} << QStringList{u"1 KB"_qs} << u"\u2014"_qs;
        QTest::newRow("commas without spaces stay in the path")
            << u"\u2713 /a,b , 3 MB"_qs << QStringList{u"/a,b"_qs} << QStringList{u"3 MB"_qs}
            << u"\u2014"_qs;
        QTest::newRow("repeats are kept")
            << u"\u2713 /a , 1 B\n\u2713 /a , 1 B"_qs << QStringList{u"/a"_qs, u"/a"_qs}
            << QStringList{u"1 B"_qs, u"1 B"_qs} << u"\u2014"_qs;
        QTest::newRow("zero is a total")
            << u"Potential space: 0 B"_qs << QStringList() << QStringList() << u"0 bytes"_qs;
        QTest::newRow("a marker without a size, then one with")
            << u"would free later\nTracked cleanup: 2 GB\nfreed 3 GB"_qs << QStringList()
            << QStringList() << u"2 GB"_qs;
    }
    void plans() {
        QFETCH(QString, output);
        QFETCH(QStringList, paths);
        QFETCH(QStringList, sizes);
        QFETCH(QString, total);
        AppsScene s;
        s.engine.dryRuns.insert(u"tool"_qs, output);
        s.listed({app(u"Tool"_qs)});
        s.model.select(app(u"Tool"_qs).path);
        QTRY_COMPARE(s.model.preview().kind, Preview::files);
        const AppsModel::Plan plan = s.model.preview().plan;
        QStringList gotSizes;
        for (const AppsModel::Leftover &l : plan.files) gotSizes.append(l.size);
        QCOMPARE(leftoverPaths(s.model.preview()), paths);
        QCOMPARE(gotSizes, sizes);
        QCOMPARE(plan.total, total);
        if (plan.files.size() == 2)
            QVERIFY(plan.files[0] != plan.files[1]);  // each line is a leftover of its own
    }

    void prefetchRunsAtMostTwoDryRuns() {
        AppsScene s;
        const InstalledApp a = app(u"A"_qs), b = app(u"B"_qs), c = app(u"C"_qs);
        s.engine.gate = s.env.home() + u"/go"_qs;
        for (const QString &n : {u"a"_qs, u"b"_qs, u"c"_qs})
            s.engine.dryRuns.insert(n, dryRun({u"/x/"_qs + n}));
        s.listed({a, b, c});
        s.model.prefetch(a);
        s.model.prefetch(a);
        s.model.prefetch(b);
        s.model.prefetch(c);  // two are running: not now
        QFile(s.engine.gate).open(QIODevice::WriteOnly);
        QTRY_VERIFY(s.engine.invocations().contains(u"end b"_qs) &&
                    s.engine.invocations().contains(u"end a"_qs));
        QTest::qWait(50);  // the replies cross to the model
        const auto runs = [&](const QString &n) { return s.engine.dryRunsOf(n); };
        QCOMPARE(runs(u"a"_qs) + runs(u"b"_qs) + runs(u"c"_qs), 2);

        // Room again once a reply has reached the model.
        QTRY_VERIFY((s.model.prefetch(c), runs(u"c"_qs) == 1));
        s.model.select(c.path);
        QTRY_COMPARE(leftoverPaths(s.model.preview()), QStringList{u"/x/c"_qs});
        s.model.select(a.path);
        QTRY_COMPARE(leftoverPaths(s.model.preview()), QStringList{u"/x/a"_qs});
        QCOMPARE(runs(u"a"_qs), 1);
        QCOMPARE(runs(u"c"_qs), 1);
    }

    void selectionFollowsTheLastChoice() {
        AppsScene s;
        const InstalledApp a = app(u"A"_qs), b = app(u"B"_qs), d = app(u"D"_qs);
        s.engine.gate = s.env.home() + u"/go"_qs;
        s.engine.dryRuns = {{u"a"_qs, dryRun({u"/x/a"_qs})},
                            {u"b"_qs, dryRun({u"/x/b"_qs}, u"x"_qs)}};
        s.listed({a, b, d});
        s.model.prefetch(b);
        s.model.prefetch(d);
        s.model.select(a.path);  // selecting is never capped
        QCOMPARE(s.model.preview().kind, Preview::loading);
        s.model.select(b.path);  // joins the prefetch already running
        QCOMPARE(s.model.selection(), std::optional<QString>(b.path));
        QFile(s.engine.gate).open(QIODevice::WriteOnly);
        QTRY_COMPARE(s.model.preview().kind, Preview::files);
        QCOMPARE(leftoverPaths(s.model.preview()), QStringList{u"/x/b"_qs});
        QTRY_VERIFY(s.engine.invocations().contains(u"end a"_qs));
        QTest::qWait(200);
        QCOMPARE(leftoverPaths(s.model.preview()), QStringList{u"/x/b"_qs});  // A's came late

        s.model.select(a.path);  // cached by its own task, or joins it: no second run
        QTRY_COMPARE(leftoverPaths(s.model.preview()), QStringList{u"/x/a"_qs});
        QCOMPARE(s.engine.dryRunsOf(u"a"_qs), 1);
        QCOMPARE(s.engine.dryRunsOf(u"b"_qs), 1);

        s.model.select(std::nullopt);
        QCOMPARE(s.model.preview(), Preview(Preview::none));
        s.model.select(u"/not/listed"_qs);
        QCOMPARE(s.model.preview(), Preview(Preview::none));

        s.model.select(d.path);  // D's plan, empty, comes from the prefetch
        QTRY_COMPARE(s.model.preview(), Preview::ofPlan({{}, u"\u2014"_qs}));
        QCOMPARE(s.engine.dryRunsOf(u"d"_qs), 1);
    }

    void iconsAreCachedPerPath() {
        AppsScene s;
        const QString data = s.env.home() + u"/.local/share"_qs;
        const QString entry = data + u"/applications/org.example.A.desktop"_qs;
        QVERIFY(TestEnvironment::writeFile(
            entry, "[Desktop Entry]\nIcon=" + QFile::encodeName(data) + "/a.png\n"));
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(Qt::green);
        QVERIFY(image.save(data + u"/a.png"_qs));
        const InstalledApp a = app(u"A"_qs);
        QCOMPARE(s.model.icon(a).pixmap(16).toImage().pixelColor(8, 8), QColor(Qt::green));
        const qint64 key = s.model.icon(a).cacheKey();
        QVERIFY(QFile::remove(entry));  // looked up once: the entry is not read again
        QCOMPARE(s.model.icon(a).cacheKey(), key);
    }
};

QTEST_MAIN(AppsModelTest)
#include "tst_apps_model.moc"
