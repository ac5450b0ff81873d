#include <QAbstractItemModelTester>
#include <QFile>
#include <QFileInfo>
#include <QListView>
#include <QTest>

#include "app/MainWindow.h"
#include "app/RootView.h"
#include "support/AppFixture.h"
#include "support/RealInput.h"
#include "support/ScreenShots.h"
#include "support/TrashCheck.h"
#include "support/ViewProbe.h"
#include "theme/controls/ConfirmButton.h"
#include "uninstaller/AppDetail.h"
#include "uninstaller/AppRows.h"
#include "uninstaller/AppsModel.h"
#include "uninstaller/LeftoverList.h"
#include "uninstaller/UninstallView.h"

namespace {

void write(const QString &path, const QByteArray &data) {
    QVERIFY2(TestEnvironment::writeFile(path, data), qPrintable(path));
}

QByteArray desktopEntry(const QString &name, const QString &exec, const QString &icon) {
    return (u"[Desktop Entry]\nType=Application\nName="_qs + name + u"\nExec=\""_qs + exec +
            u"\" %U\nIcon="_qs + icon + u'\n')
        .toUtf8();
}

QString expandTilde(const QString &path, const QString &home) {
    return path.startsWith(u"~/"_qs) ? home + path.mid(1) : path;
}

}  // namespace

// The whole window over the bundled engine in a temporary home: an AppImage
// with its desktop entry, icon and settings is selected, uninstalled by two
// clicks, and every file it took lies in the home's Trash.
class UninstallEndToEndTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { ScreenShots::loadLook(); }

    void uninstallAnAppImage() {
        AppFixture fixture;
        fixture.env().installRealEngine();
        const QString home = fixture.env().home();
        const QString image = home + u"/Applications/Notely-2.0-x86_64.AppImage"_qs;
        const QString other = home + u"/Applications/Sketchpad-1.1-x86_64.AppImage"_qs;
        write(image, QByteArray(60'000, 'x'));
        write(other, QByteArray(20'000, 'x'));
        QFile::setPermissions(image, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString apps = home + u"/.local/share/applications/"_qs;
        write(apps + u"notely.desktop"_qs, desktopEntry(u"Notely"_qs, image, u"notely"_qs));
        write(apps + u"sketchpad.desktop"_qs,
              desktopEntry(u"Sketchpad"_qs, other, u"sketchpad"_qs));
        const QString icon = home + u"/.local/share/icons/hicolor/128x128/apps/notely.png"_qs;
        write(icon, QByteArray(900, 'i'));
        write(home + u"/.config/notely/settings.ini"_qs, "[ui]\ntheme=dark\n");
        write(home + u"/.config/sketchpad/settings.ini"_qs, "[ui]\n");
        const QSet<QString> expected{image, apps + u"notely.desktop"_qs, icon,
                                     home + u"/.config/notely"_qs};

        MainWindow window;
        window.resize(1200, 820);
        auto *view = ViewProbe::openPane<UninstallView>(window, Pane::uninstall);
        QVERIFY(view);
        QAbstractItemModelTester tester(view->rows(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        AppsModel *model = window.root()->apps();
        QVERIFY(QTest::qWaitFor(
            [&] { return !model->isLoading() && view->rows()->rowCount() == 2; }, 20000));

        const QModelIndex index =
            view->rows()->index(view->rows()->app(0).name == u"Notely"_qs ? 0 : 1);
        view->list()->scrollTo(index);
        RealInput::settle();
        QVERIFY(
            RealInput::click(view->list()->viewport(), view->list()->visualRect(index).center()));
        QCOMPARE(model->selection(), std::optional(image));
        QVERIFY(QTest::qWaitFor([&] { return model->preview().kind == AppsModel::Preview::files; },
                                20000));
        QCoreApplication::processEvents();
        auto *detail = qobject_cast<AppDetail *>(view->detail());
        QVERIFY(detail);
        const QList<AppsModel::Leftover> files = model->preview().plan.files;
        QSet<QString> listed;
        for (const AppsModel::Leftover &file : files) listed.insert(expandTilde(file.path, home));
        QCOMPARE(listed, expected);
        QCOMPARE(detail->files()->model()->rowCount(), int(files.size()));

        ConfirmButton *uninstall = detail->uninstallButton();
        QVERIFY(uninstall->isEnabled());
        QVERIFY(RealInput::click(uninstall));
        QCOMPARE(uninstall->title(), u"Confirm Uninstall"_qs);
        QVERIFY(RealInput::click(uninstall));
        QVERIFY(QTest::qWaitFor(
            [&] { return model->preview().kind == AppsModel::Preview::removed; }, 20000));
        QCoreApplication::processEvents();

        for (const QString &path : expected) {
            QVERIFY2(!QFileInfo::exists(path), qPrintable(path));
            QCOMPARE(TrashCheck::problemWith(path), QString());
        }
        QCOMPARE(view->rows()->rowCount(), 1);
        QCOMPARE(view->rows()->app(0).name, u"Sketchpad"_qs);
        QVERIFY(QFileInfo::exists(other));
        QVERIFY(QFileInfo::exists(home + u"/.config/sketchpad/settings.ini"_qs));
        const QStringList shown = ViewProbe::visibleTexts(view->detail());
        QVERIFY2(shown.contains(u"Uninstalled"_qs), qPrintable(shown.join(u" | "_qs)));
    }
};

QTEST_MAIN(UninstallEndToEndTest)
#include "tst_uninstall_end_to_end.moc"
