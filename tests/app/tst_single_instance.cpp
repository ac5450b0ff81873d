#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include "platform/SingleInstance.h"

class SingleInstanceTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void secondLaunchRaisesTheFirst() {
        const QString name = u"brightloft-test-%1"_qs.arg(QCoreApplication::applicationPid());
        SingleInstance first(name);
        QVERIFY(!first.handOver());  // nobody there yet: this one listens
        QSignalSpy raised(&first, &SingleInstance::activationRequested);

        SingleInstance second(name);
        QVERIFY(second.handOver());
        QVERIFY(raised.wait(2000));
        QCOMPARE(raised.count(), 1);
    }

    void staleSocketFromACrashIsTakenOver() {
        const QString name = u"brightloft-stale-%1"_qs.arg(QCoreApplication::applicationPid());
        {
            // A socket file nobody answers on, as a crashed copy leaves behind.
            QFile stale(QDir::tempPath() + u'/' + name);
            QVERIFY(stale.open(QIODevice::WriteOnly));
        }
        SingleInstance first(name);
        QVERIFY(!first.handOver());
        SingleInstance second(name);
        QVERIFY(second.handOver());
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "tst_single_instance.moc"
