#include "support/SignalLog.h"

#include <QMetaMethod>

SignalLog::SignalLog(QObject *source) {
    const QMetaObject *meta = source->metaObject();
    const QMetaMethod slot = metaObject()->method(metaObject()->indexOfSlot("record()"));
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i)
        if (meta->method(i).methodType() == QMetaMethod::Signal)
            connect(source, meta->method(i), this, slot);
}

void SignalLog::record() {
    names.append(QString::fromLatin1(
        senderSignalIndex() >= 0 ? sender()->metaObject()->method(senderSignalIndex()).name()
                                 : QByteArray("?")));
}

QStringList SignalLog::take() {
    QStringList taken;
    taken.swap(names);
    return taken;
}

QStringList SignalLog::folded() const {
    QStringList out;
    for (const QString &name : names)
        if (out.isEmpty() || out.last() != name)
            out.append(name);
    return out;
}
