#include <QTest>

#include "permissions/Automation.h"
#include "platform/Background.h"

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
            whenFinished(&context, Automation::check(target.bundleId), take);
            whenFinished(&context, Automation::request(target.bundleId), take);
        }
        QTRY_COMPARE(states, QList<Automation::State>(4, Automation::State::granted));
        // No such application to start, so nothing to wait for.
        QVERIFY(Automation::launchIfNeeded(u"com.apple.finder"_qs).isFinished());
    }

    // A view closed while its question is out: the answer is dropped, not a
    // crash (QFuture::then asserts on a context that is gone).
    void anAnswerForAContextThatIsGoneIsDropped() {
        int answers = 0;
        {
            QObject context;
            whenFinished(&context, Automation::check(Automation::targets().first().bundleId),
                         [&](Automation::State) { ++answers; });
        }
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        QCOMPARE(answers, 0);
    }
};

QTEST_GUILESS_MAIN(AutomationTest)
#include "tst_automation.moc"
