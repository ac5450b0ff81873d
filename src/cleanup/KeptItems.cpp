#include "cleanup/KeptItems.h"

#include "engine/Commands.h"
#include "engine/Engine.h"
#include "engine/KeptList.h"

KeptItems::KeptItems(QObject *parent) : QObject(parent) {}

QStringList KeptItems::parse(const QString &output) {
    return KeptList::paths(output);
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
        if (const std::optional<QString> failure = KeptList::failureIn(out.text))
            m_error = *failure;
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
