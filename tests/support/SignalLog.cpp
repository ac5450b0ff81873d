#include "support/SignalLog.h"

#include <QMetaMethod>

SignalLog::SignalLog(QObject *source, const QStringList &ignored) : m_ignored(ignored) {
    const QMetaObject *meta = source->metaObject();
    const QMetaMethod slot = metaObject()->method(metaObject()->indexOfSlot("record()"));
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i)
        if (meta->method(i).methodType() == QMetaMethod::Signal)
            connect(source, meta->method(i), this, slot);
}

void SignalLog::record() {
    const QString name =
        QString::fromLatin1(sender()->metaObject()->method(senderSignalIndex()).name());
    if (!m_ignored.contains(name))
        ++m_counts[name];
}

SignalLog::Counts SignalLog::take() {
    return std::exchange(m_counts, {});
}

SignalLog::Counts SignalLog::once(const char *properties) {
    Counts out;
    for (const QString &p : QString::fromLatin1(properties).split(u' ', Qt::SkipEmptyParts))
        out[p + u"Changed"_qs] = 1;
    return out;
}
