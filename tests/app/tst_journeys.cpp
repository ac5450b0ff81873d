#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QTest>

#include "Journey.h"
#include "app/SaveNotice.h"
#include "app/SettingsView.h"
#include "cleanup/BuildLog.h"
#include "cleanup/CleanModel.h"
#include "cleanup/CleanView.h"
#include "maintenance/OptimizeModel.h"
#include "maintenance/OptimizeView.h"
#include "permissions/AccessView.h"
#include "spacelens/SpaceDelegate.h"
#include "spacelens/SpaceModel.h"
#include "spacelens/SpaceView.h"
#include "support/ScreenShots.h"
#include "support/TrashCheck.h"
#include "support/ViewProbe.h"
#include "theme/controls/ConfirmButton.h"
#include "uninstaller/AppDetail.h"
#include "uninstaller/AppRows.h"
#include "uninstaller/AppsModel.h"
#include "uninstaller/UninstallView.h"

namespace {

constexpr int kWaitMs = 20000;

#define CLICK(widget)                                                          \
    do {                                                                       \
        QString why;                                                           \
        QVERIFY2(RealInput::click((widget), {-1, -1}, &why), qPrintable(why)); \
    } while (false)

// The row of `list` showing `name`, or an invalid index.
QModelIndex rowNamed(QListView *list, const QString &name) {
    QAbstractItemModel *model = list->model();
    for (int i = 0; i < model->rowCount(); ++i)
        if (model->index(i, 0).data().toString() == name)
            return model->index(i, 0);
    return {};
}

// Clicks a row of `list` at `x` from its left (its centre when negative).
bool clickRow(QListView *list, const QModelIndex &index, int x = -1) {
    RealInput::settle();
    if (!index.isValid())
        return false;
    list->scrollTo(index);
    const QRect rect = list->visualRect(index);
    return RealInput::click(list->viewport(),
                            {x < 0 ? rect.center().x() : rect.left() + x, rect.center().y()});
}

}  // namespace

// The journeys a user takes through the real main window, every step a press
// and release of the pointer where the control is drawn.
class JourneysTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { ScreenShots::loadLook(); }
    void init() { qputenv("XDG_CURRENT_DESKTOP", ""); }  // no settings app is ever started

    // Continue on the first run; Settings' "Run Again" brings the screen
    // back, and Continue ends it again.
    void firstRunContinueThenRunAgain() {
        Journey j(false);
        QVERIFY(j.shown());
        for (int run = 0; run < 2; ++run) {
            QCOMPARE(j.root()->content(), RootView::Content::setup);
            QVERIFY(!j.root()->topBar()->showsTabs());
            QPointer<AccessView> access = j.view<AccessView>();
            QVERIFY(access);
            CLICK(access->continueButton());
            QCOMPARE(j.root()->content(), RootView::Content::panes);
            QVERIFY(UserDefaults::flag(UserDefaults::setupDone));
            QVERIFY(j.root()->topBar()->showsTabs());
            QVERIFY(j.root()->saveNotice()->isHidden());
            // The screen that held the button goes once its click is over.
            QTRY_VERIFY(!access);
            if (run == 1)
                break;
            std::unique_ptr<QWidget> settings(SettingsView::createWindow());
            settings->show();
            QVERIFY(QTest::qWaitForWindowExposed(settings.get()));
            CLICK(settings->findChild<SettingsView *>()->runAgainButton());
            QVERIFY(!UserDefaults::flag(UserDefaults::setupDone, true));
        }
    }

    void cleanupScanConfirmTwiceClean() {
        Journey j(true);
        QVERIFY(j.shown());
        QVERIFY(j.openPane(Pane::clean));
        auto *view = j.view<CleanView>();
        QVERIFY(view);
        CLICK(ViewProbe::visibleButton(*view, u"Scan"_qs));
        CleanModel *model = j.root()->clean();
        QTRY_COMPARE_WITH_TIMEOUT(model->phase().kind, CleanModel::Phase::ready, kWaitMs);
        QCoreApplication::processEvents();
        ConfirmButton *clean = view->cleanButton();
        QCOMPARE(clean->title(), u"Clean 1.52 GB"_qs);
        CLICK(clean);
        QCOMPARE(clean->title(), u"Confirm: Empty Trash & Clean"_qs);
        QCOMPARE(model->phase().kind, CleanModel::Phase::ready);
        CLICK(clean);
        QTRY_COMPARE_WITH_TIMEOUT(model->phase().kind, CleanModel::Phase::done, kWaitMs);
        QCoreApplication::processEvents();
        QVERIFY(ViewProbe::strip(*view).contains(u"Status: Cleaned"_qs));
        QCOMPARE(view->content(), static_cast<QWidget *>(view->log()));
    }

    void uninstallerSearchSelectUninstallTwice() {
        Journey j(true);
        QVERIFY(j.shown());
        QVERIFY(j.openPane(Pane::uninstall));
        auto *view = j.view<UninstallView>();
        QVERIFY(view);
        AppsModel *model = j.root()->apps();
        QTRY_COMPARE_WITH_TIMEOUT(view->rows()->rowCount(), 1, kWaitMs);

        CLICK(view->search());
        QTest::keyClicks(view->search(), u"note"_qs);
        QCOMPARE(view->rows()->rowCount(), 1);
        QVERIFY(clickRow(view->list(), rowNamed(view->list(), u"Notely"_qs)));
        QCOMPARE(model->selection(), std::optional(j.appImage));
        QTRY_COMPARE_WITH_TIMEOUT(model->preview().kind, AppsModel::Preview::files, kWaitMs);
        AppDetail *detail = nullptr;
        // The detail with the plan's files, not the one still finding them.
        QTRY_VERIFY((detail = qobject_cast<AppDetail *>(view->detail())) && detail->files() &&
                    detail->isVisible());
        ConfirmButton *uninstall = detail->uninstallButton();
        CLICK(uninstall);
        QCOMPARE(uninstall->title(), u"Confirm Uninstall"_qs);
        CLICK(uninstall);
        QTRY_COMPARE_WITH_TIMEOUT(model->preview().kind, AppsModel::Preview::removed, kWaitMs);
        QVERIFY(!QFileInfo::exists(j.appImage));
        QCOMPARE(TrashCheck::problemWith(j.appImage), QString());
        QCOMPARE(TrashCheck::problemWith(j.app.env().home() + u"/.config/notely"_qs), QString());
    }

    void spaceLensOpenBackMenuTrashConfirm() {
        Journey j(true);
        const QString home = j.app.env().home();
        const QString docs = home + u"/Docs"_qs;
        const QString big = home + u"/big.iso"_qs;
        QVERIFY(TestEnvironment::writeFile(docs + u"/note.txt"_qs, "note"));
        QVERIFY(TestEnvironment::writeFile(big, QByteArray(4096, 'x')));
        j.answer(u"/"_qs, {{u"Docs"_qs, docs, 9000, true, {}, {}, {}},
                           {u"big.iso"_qs, big, 4096, false, {}, {}, {}}});
        j.answer(docs, {{u"note.txt"_qs, docs + u"/note.txt"_qs, 4, false, {}, {}, {}}});
        QVERIFY(j.shown());
        QVERIFY(j.openPane(Pane::space));
        auto *view = j.view<SpaceView>();
        QVERIFY(view);
        SpaceModel *model = j.root()->space();
        QTRY_VERIFY_WITH_TIMEOUT(rowNamed(view->list(), u"Docs"_qs).isValid(), kWaitMs);

        QVERIFY(clickRow(view->list(), rowNamed(view->list(), u"Docs"_qs)));
        QTRY_COMPARE(model->trail().size(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(rowNamed(view->list(), u"note.txt"_qs).isValid(), kWaitMs);
        CLICK(view->backButton());
        QTRY_COMPARE(model->trail().size(), 1);
        QTRY_VERIFY(rowNamed(view->list(), u"big.iso"_qs).isValid());

        // The row's actions glyph opens its menu.
        RealInput::settle();
        const QModelIndex row = rowNamed(view->list(), u"big.iso"_qs);
        const QRect rect = view->list()->visualRect(row);
        const SpaceColumns columns = SpaceColumns::in(rect);
        QVERIFY(clickRow(view->list(), row, int(columns.actions_.center().x()) - rect.left()));
        QMenu *menu = nullptr;
        QTRY_VERIFY((menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())));
        QAction *trash = nullptr;
        for (QAction *action : menu->actions())
            if (action->text() == u"Move to Trash…"_qs)
                trash = action;
        QVERIFY(RealInput::choose(menu, trash));

        QTRY_VERIFY(view->trashDialog() && view->trashDialog()->isVisible());
        QMessageBox *dialog = view->trashDialog();
        QAbstractButton *move = nullptr;
        for (QAbstractButton *b : dialog->buttons())
            if (dialog->buttonRole(b) == QMessageBox::DestructiveRole)
                move = b;
        CLICK(move);
        QTRY_VERIFY_WITH_TIMEOUT(!rowNamed(view->list(), u"big.iso"_qs).isValid(), kWaitMs);
        QVERIFY(!QFileInfo::exists(big));
        QCOMPARE(TrashCheck::problemWith(big), QString());
    }

    void maintenanceCheckApply() {
        Journey j(true);
        QVERIFY(j.shown());
        QVERIFY(j.openPane(Pane::optimize));
        auto *view = j.view<OptimizeView>();
        QVERIFY(view);
        OptimizeModel *model = j.root()->optimize();
        CLICK(ViewProbe::visibleButton(*view, u"Run Check"_qs));
        QTRY_COMPARE_WITH_TIMEOUT(model->phase(), OptimizeModel::Phase::ready, kWaitMs);
        QCoreApplication::processEvents();
        QVERIFY(ViewProbe::strip(*view).contains(u"Status: Needs Attention"_qs));
        CLICK(ViewProbe::visibleButton(*view, u"Apply Fixes"_qs));
        QTRY_COMPARE_WITH_TIMEOUT(model->phase(), OptimizeModel::Phase::done, kWaitMs);
        QCoreApplication::processEvents();
        QVERIFY(ViewProbe::strip(*view).contains(u"Status: Complete"_qs));
    }
};

QTEST_MAIN(JourneysTest)
#include "tst_journeys.moc"
