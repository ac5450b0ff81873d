#include "cleanup/KeptItems.h"

#include "engine/Commands.h"
#include "engine/Engine.h"

namespace {

const QString kKept = u"\u25ce "_qs;        // ◎ a kept path
const QString kFailed = u"\u2717 "_qs;      // ✗ what the engine could not do
const QString kSeparator = u" \u00b7 "_qs;  // " · "

}  // namespace

KeptItems::KeptItems(QObject *parent) : QObject(parent) {}

QStringList KeptItems::parse(const QString &output) {
    QStringList paths;
    for (const QString &line : output.split(u'\n', Qt::SkipEmptyParts)) {
        const QString t = line.trimmed();
        if (t.startsWith(kKept) && t.contains(kSeparator))
            paths.append(t.mid(kKept.size()).section(kSeparator, 0, 0));
    }
    return paths;
}

void KeptItems::load() {
    Engine::output(Commands::cleanKept(), this, [this](const Engine::Output &out) {
        m_paths = parse(out.text);
        if (out.error)
            m_error = *out.error;
        Q_EMIT changed();
    });
}

void KeptItems::change(const QStringList &args, void (KeptItems::*after)()) {
    Engine::output(args, std::nullopt, this, [this, after](const Engine::Output &out) {
        m_error.clear();
        if (out.error)
            m_error = *out.error;
        for (const QString &line : out.text.split(u'\n', Qt::SkipEmptyParts))
            if (line.trimmed().startsWith(kFailed))
                m_error = line.trimmed().mid(kFailed.size()).remove(QChar(0x2060));
        if (after)
            (this->*after)();
        load();
    });
}

void KeptItems::keep(const QString &label) {
    change(Commands::cleanKeep(label).args, &KeptItems::kept);
}

void KeptItems::release(const QString &path) {
    change(Commands::cleanRelease(path).args, nullptr);
}
