#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "engine/Engine.h"
#include "support/TestEnvironment.h"
#include "uninstaller/AppRows.h"
#include "uninstaller/AppsEngine.h"
#include "uninstaller/AppsModel.h"
#include "uninstaller/UninstallView.h"

namespace {

using Preview = AppsModel::Preview;

QStringList leftoverPaths(const Preview &preview) {
    QStringList out;
    for (const AppsModel::Leftover &l : preview.plan.files) out.append(l.path);
    return out;
}

const QString kNotInstalled = QString::fromUtf8(EngineError::notInstalled);

}  // namespace

Q_DECLARE_METATYPE(QList<InstalledApp>)

class AppsModelTest : public QObject {
    Q_OBJECT
    TestEnvironment *env = nullptr;
    AppsEngine engine;

    void install() { env->installEngineInResources(engine.script()); }

    // A model with these apps listed.
    void listed(AppsModel &model, const QList<InstalledApp> &apps) {
        engine.list = listJson(apps);
        install();
        model.load();
        QVERIFY(QTest::qWaitFor([&] { return !model.isLoading(); }, 10000));
        QCOMPARE(model.apps(), apps);
    }

    int dryRunsOf(const QString &name) const {
        return int(engine.invocations().count(u"uninstall --dry-run "_qs + name));
    }

private Q_SLOTS:
    void init() {
        env = new TestEnvironment;
        engine = AppsEngine{env->home() + u"/engine.log"_qs, {}, {}, {}, {}};
    }
    void cleanup() { delete env; }

    void listing_data() {
        QTest::addColumn<QString>("output");  // null: no engine
        QTest::addColumn<QList<InstalledApp>>("apps");
        QTest::addColumn<QString>("error");
        const InstalledApp tool = app(u"Tool"_qs);
        QTest::newRow("progress, then an empty array")
            << u"Looking for apps…\n[]"_qs << QList<InstalledApp>() << QString();
        QTest::newRow("leading text, unknown keys ignored")
            << u"Found 1 app\n[{\"name\":\"Tool\",\"bundle_id\":\"org.example.Tool\","
               "\"source\":\"AppImage\",\"uninstall_name\":\"tool\",\"path\":\"/opt/Tool\","
               "\"version\":2}]"_qs
            << QList<InstalledApp>{tool} << QString();
        QTest::newRow("a bracket in the leading text")
            << u"[info] listing\n"_qs + listJson({tool}) << QList<InstalledApp>() << u"*"_qs;
        QTest::newRow("no array") << u"Looking…\nnothing to list"_qs << QList<InstalledApp>()
                                  << u"nothing to list"_qs;
        QTest::newRow("no engine") << QString() << QList<InstalledApp>() << kNotInstalled;
    }
    // A list that fails says why, in the engine's words; "The cleaning
    // engine is missing." is only for an engine that is.
    void aFailingListSaysWhy_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("error");
        QTest::newRow("refusal")
            << u"echo 'mole uninstall: cannot read the desktop entries' >&2; exit 1"_qs
            << u"cannot read the desktop entries"_qs;
        QTest::newRow("silence") << u"exit 0"_qs << u"The cleaning engine gave no list of apps."_qs;
        QTest::newRow("crash")
            << u"kill -SEGV $$"_qs
            << u"The cleaning engine stopped unexpectedly (Segmentation fault)."_qs;
    }
    void aFailingListSaysWhy() {
        QFETCH(QString, script);
        QFETCH(QString, error);
        env->installEngineInResources(u"ulimit -c 0\n"_qs + script + u"\n"_qs);
        AppsModel model;
        model.load();
        QVERIFY(QTest::qWaitFor([&] { return !model.isLoading(); }, 10000));
        QCOMPARE(model.error().value_or(QString()), error);
        QVERIFY(model.apps().isEmpty());
    }

    // The list's rows, as the Uninstaller shows them, stay a sound item model
    // while the engine lists, du measures and the search narrows and widens.
    void listRowsStaySound() {
        QList<InstalledApp> apps;
        for (int i = 0; i < 60; ++i) {
            const QString folder = env->home() + u"/Apps/App%1"_qs.arg(i);
            QVERIFY(TestEnvironment::writeFile(folder + u"/bin"_qs, QByteArray(i * 1000, 'x')));
            apps.append(app(u"App%1"_qs.arg(i), u"AppImage"_qs, folder));
        }
        engine.list = u"Looking…\n"_qs + listJson(apps);
        install();
        AppsModel model;
        UninstallView view(&model);
        QAbstractItemModelTester tester(view.rows(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.load();
        QVERIFY(QTest::qWaitFor([&] { return !model.isLoading(); }, 10000));
        QCoreApplication::processEvents();
        QCOMPARE(view.rows()->rowCount(), 60);
        for (const char *query : {"App1", "App12", "nothing", "", "app5", "App"}) {
            view.search()->setText(QString::fromLatin1(query));
            QCoreApplication::processEvents();
        }
        QCOMPARE(view.rows()->rowCount(), 60);
    }

    void listing() {
        QFETCH(QString, output);
        QFETCH(QList<InstalledApp>, apps);
        QFETCH(QString, error);
        engine.list = output;
        if (!output.isNull())
            install();
        AppsModel model;
        model.load();
        QVERIFY(model.isLoading());
        model.load();  // already loading: no second run
        QVERIFY(QTest::qWaitFor([&] { return !model.isLoading(); }, 10000));
        QCOMPARE(model.apps(), apps);
        if (error == u"*")
            QVERIFY(model.error() && !model.error()->isEmpty());
        else
            QCOMPARE(model.error().value_or(QString()), error);
        QCOMPARE(engine.invocations().size(), output.isNull() ? 0 : 1);
        if (!apps.isEmpty()) {
            model.load();  // listed: never again
            QVERIFY(!model.isLoading());
            QCOMPARE(engine.invocations().size(), 1);
        }
    }

    void sizesComeFromOneDuRun() {
        const QStringList names{u"plain"_qs, u"tab\there"_qs, u"new\nline"_qs, u"-dash"_qs,
                                u"quote'\""_qs};
        QStringList paths;
        for (const QString &name : names) {
            paths.append(env->home() + u"/Apps/"_qs + name);
            QVERIFY(TestEnvironment::writeFile(paths.last() + u"/bin"_qs, QByteArray(50'000, 'x')));
        }
        paths.append(env->home() + u"/Apps/missing"_qs);
        const QHash<QString, qint64> sizes = AppsModel::measure(paths);
        QCOMPARE(sizes.size(), names.size());
        for (int i = 0; i < names.size(); ++i)
            QVERIFY2(sizes.value(paths[i]) >= 50'000, qPrintable(paths[i]));
        QVERIFY(AppsModel::measure({}).isEmpty());
    }

    void duRecords_data() {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QString>("path");
        QTest::addColumn<qint64>("bytes");  // -1: not listed
        QTest::newRow("KiB to bytes")
            << QByteArray("12345\t/a\0", 9) << u"/a"_qs << qint64(12641280);
        QTest::newRow("tabs and a newline in the path")
            << QByteArray("4\t/a\tb\nc\0", 9) << u"/a\tb\nc"_qs << qint64(4096);
        QTest::newRow("a later record wins") << QByteArray(
                                                    "1\t/a\0"
                                                    "2\t/a\0",
                                                    10)
                                             << u"/a"_qs << qint64(2048);
        QTest::newRow("not a number") << QByteArray("x1\t/a\0", 6) << u"/a"_qs << qint64(-1);
        QTest::newRow("no tab") << QByteArray("12 /a\0", 6) << u"/a"_qs << qint64(-1);
        QTest::newRow("no path") << QByteArray("12\t\0", 4) << u""_qs << qint64(-1);
        QTest::newRow("overflowing size")
            << QByteArray("99999999999999999\t/a\0", 21) << u"/a"_qs << qint64(-1);
    }
    void duRecords() {
        QFETCH(QByteArray, output);
        QFETCH(QString, path);
        QFETCH(qint64, bytes);
        QCOMPARE(AppsModel::parseDu(output).value(path, -1), bytes);
    }

    void leftoverLines_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QStringList>("sizes");
        QTest::newRow("indented tilde path")
            << u"  \u2713 ~/.config/tool , 12 KB"_qs << QStringList{u"~/.config/tool"_qs}
            << QStringList{u"12 KB"_qs};
        QTest::newRow("absolute path without a size")
            << u"\u2713 /opt/tool"_qs << QStringList{u"/opt/tool"_qs} << QStringList{u""_qs};
        QTest::newRow("text after the check mark is not a path")
            << u"\u2713 Done , 1 KB\n\u2713 /a , 1 KB , extra\n\u2717 /b , 1 KB"_qs
            << QStringList{u"/a"_qs} << QStringList{u"1 KB"_qs};
        QTest::newRow("commas without spaces stay in the path")
            << u"\u2713 /a,b , 3 MB"_qs << QStringList{u"/a,b"_qs} << QStringList{u"3 MB"_qs};
        QTest::newRow("repeats are kept")
            << u"\u2713 /a , 1 B\n\u2713 /a , 1 B"_qs << QStringList{u"/a"_qs, u"/a"_qs}
            << QStringList{u"1 B"_qs, u"1 B"_qs};
    }
    void leftoverLines() {
        QFETCH(QString, output);
        QFETCH(QStringList, paths);
        QFETCH(QStringList, sizes);
        const QList<AppsModel::Leftover> found = AppsModel::leftovers(output);
        QStringList gotPaths, gotSizes;
        for (const AppsModel::Leftover &l : found) gotPaths.append(l.path), gotSizes.append(l.size);
        QCOMPARE(gotPaths, paths);
        QCOMPARE(gotSizes, sizes);
        if (found.size() == 2)
            QVERIFY(found[0] != found[1]);  // each parse is a new leftover
    }

    void planTotals_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("total");
        QTest::newRow("zero is a total") << u"Potential space: 0 B"_qs << u"0 bytes"_qs;
        QTest::newRow("no marker") << u"\u2713 /a , 1 MB"_qs << u"\u2014"_qs;
        QTest::newRow("a marker without a size, then one with")
            << u"would free later\nTracked cleanup: 2 GB\nfreed 3 GB"_qs << u"2 GB"_qs;
    }
    void planTotals() {
        QFETCH(QString, output);
        QFETCH(QString, total);
        QCOMPARE(AppsModel::planTotal(output), total);
    }

    void prefetchRunsAtMostTwoDryRuns() {
        const InstalledApp a = app(u"A"_qs), b = app(u"B"_qs), c = app(u"C"_qs);
        engine.gate = env->home() + u"/go"_qs;
        for (const QString &n : {u"a"_qs, u"b"_qs, u"c"_qs})
            engine.dryRuns.insert(n, dryRun({u"/x/"_qs + n}));
        AppsModel model;
        listed(model, {a, b, c});
        model.prefetch(a);
        model.prefetch(a);
        model.prefetch(b);
        model.prefetch(c);  // two are running: not now
        QFile(engine.gate).open(QIODevice::WriteOnly);
        QTRY_VERIFY(engine.invocations().contains(u"end b"_qs) &&
                    engine.invocations().contains(u"end a"_qs));
        QTest::qWait(50);  // the replies cross to the model
        QCOMPARE(dryRunsOf(u"a"_qs) + dryRunsOf(u"b"_qs) + dryRunsOf(u"c"_qs), 2);

        // Room again once a reply has reached the model.
        QTRY_VERIFY((model.prefetch(c), dryRunsOf(u"c"_qs) == 1));
        model.select(c.path);
        QTRY_COMPARE(leftoverPaths(model.preview()), QStringList{u"/x/c"_qs});
        model.select(a.path);
        QTRY_COMPARE(leftoverPaths(model.preview()), QStringList{u"/x/a"_qs});
        QCOMPARE(model.preview().plan.total, u"1.5 MB"_qs);
        QCOMPARE(dryRunsOf(u"a"_qs), 1);
        QCOMPARE(dryRunsOf(u"c"_qs), 1);
    }

    void selectionFollowsTheLastChoice() {
        const InstalledApp a = app(u"A"_qs), b = app(u"B"_qs), d = app(u"D"_qs);
        engine.gate = env->home() + u"/go"_qs;
        engine.dryRuns = {{u"a"_qs, dryRun({u"/x/a"_qs})},
                          {u"b"_qs, dryRun({u"/x/b"_qs}, u"x"_qs)}};
        AppsModel model;
        listed(model, {a, b, d});
        model.prefetch(b);
        model.prefetch(d);
        model.select(a.path);  // selecting is never capped
        QCOMPARE(model.preview().kind, Preview::loading);
        model.select(b.path);  // joins the prefetch already running
        QCOMPARE(model.selection(), std::optional<QString>(b.path));
        QFile(engine.gate).open(QIODevice::WriteOnly);
        QTRY_COMPARE(model.preview().kind, Preview::files);
        QCOMPARE(leftoverPaths(model.preview()), QStringList{u"/x/b"_qs});
        QCOMPARE(model.preview().plan.total, u"\u2014"_qs);
        QTRY_VERIFY(engine.invocations().contains(u"end a"_qs));
        QTest::qWait(200);
        QCOMPARE(leftoverPaths(model.preview()), QStringList{u"/x/b"_qs});  // A's came late

        model.select(a.path);  // cached by its own task, or joins it: no second run
        QTRY_COMPARE(leftoverPaths(model.preview()), QStringList{u"/x/a"_qs});
        QCOMPARE(dryRunsOf(u"a"_qs), 1);
        QCOMPARE(dryRunsOf(u"b"_qs), 1);

        model.select(std::nullopt);
        QCOMPARE(model.preview(), Preview(Preview::none));
        model.select(u"/not/listed"_qs);
        QCOMPARE(model.preview(), Preview(Preview::none));

        model.select(d.path);  // D's plan, empty, comes from the prefetch
        QTRY_COMPARE(model.preview(), Preview::ofPlan({{}, u"\u2014"_qs}));
        QCOMPARE(dryRunsOf(u"d"_qs), 1);
    }

    void failedDryRun() {
        const InstalledApp a = app(u"A"_qs);
        AppsModel model;
        listed(model, {a});
        QFile::remove(env->resources() + u"/engine/mole"_qs);
        model.select(a.path);
        QTRY_COMPARE(model.preview(),
                     Preview::withMessage(Preview::failed, u"Couldn't list this app's files."_qs));
    }

    void iconsAreCachedPerPath() {
        const QString data = env->home() + u"/.local/share"_qs;
        const QString entry = data + u"/applications/org.example.A.desktop"_qs;
        QVERIFY(TestEnvironment::writeFile(
            entry, "[Desktop Entry]\nIcon=" + QFile::encodeName(data) + "/a.png\n"));
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(Qt::green);
        QVERIFY(image.save(data + u"/a.png"_qs));
        AppsModel model;
        const InstalledApp a = app(u"A"_qs);
        QCOMPARE(model.icon(a).pixmap(16).toImage().pixelColor(8, 8), QColor(Qt::green));
        const qint64 key = model.icon(a).cacheKey();
        QVERIFY(QFile::remove(entry));  // looked up once: the entry is not read again
        QCOMPARE(model.icon(a).cacheKey(), key);
    }
};

QTEST_MAIN(AppsModelTest)
#include "tst_apps_model.moc"
