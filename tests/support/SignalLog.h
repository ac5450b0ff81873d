#pragma once

#include <QMap>
#include <QMetaMethod>
#include <QSignalSpy>
#include <QStringList>

#include <list>

// Counts the signals a model declares itself, by name, so a test can check
// that each change was announced once and that nothing unchanged was.
class SignalLog {
public:
    using Counts = QMap<QString, int>;

    // Signals named in `ignored` are not counted.
    explicit SignalLog(QObject *source, const QStringList &ignored = {}) {
        const QMetaObject *meta = source->metaObject();
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i)
            if (const QMetaMethod m = meta->method(i);
                m.methodType() == QMetaMethod::Signal &&
                !ignored.contains(QString::fromLatin1(m.name())))
                m_spies.emplace_back(source, m);
    }

    // The counts since the last take(), and forget them.
    Counts take() {
        Counts out;
        for (QSignalSpy &spy : m_spies) {
            if (!spy.isEmpty())
                out[QString::fromLatin1(spy.signal().split('(').first())] = int(spy.size());
            spy.clear();
        }
        return out;
    }

    // One emission of the change signal of each property named in the
    // space-separated list: "total phase" is totalChanged and phaseChanged.
    static Counts once(const char *properties) {
        Counts out;
        for (const QString &p : QString::fromLatin1(properties).split(u' ', Qt::SkipEmptyParts))
            out[p + u"Changed"_qs] = 1;
        return out;
    }

private:
    std::list<QSignalSpy> m_spies;  // a spy cannot move
};
