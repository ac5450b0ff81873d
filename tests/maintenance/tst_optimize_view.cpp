#include <QTest>

class Stub : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void nothing() {}
};

QTEST_MAIN(Stub)
#include "tst_optimize_view.moc"
