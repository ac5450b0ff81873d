#include <QTest>

#include "permissions/Automation.h"

class AutomationTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void nothingGatesAutomationHere() {
        QObject context;
        QList<Automation::State> states;
        const auto take = [&](Automation::State s) {
            QCOMPARE(QThread::currentThread(), context.thread());
            states.append(s);
        };
        for (const Automation::Target &target : Automation::targets()) {
            Automation::check(target.bundleId).then(&context, take);
            Automation::request(target.bundleId).then(&context, take);
        }
        QTRY_COMPARE(states, QList<Automation::State>(4, Automation::State::granted));
        // No such application to start, so nothing to wait for.
        QVERIFY(Automation::launchIfNeeded(u"com.apple.finder"_qs).isFinished());
    }
};

QTEST_GUILESS_MAIN(AutomationTest)
#include "tst_automation.moc"
