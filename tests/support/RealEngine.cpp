#include "support/RealEngine.h"

#include <QObject>
#include <QTest>

#include "engine/Engine.h"

namespace RealEngine {

bool offers(const QString &command) {
    QObject owner;
    std::optional<Engine::Output> out;
    Engine::output({u"--help"_qs}, std::nullopt, &owner, [&](const Engine::Output &o) { out = o; });
    if (!QTest::qWaitFor([&] { return out.has_value(); }, 10000))
        return false;
    for (const QString &line : out->text.split(u'\n')) {
        const QString usage = line.trimmed();
        if (usage == command || usage.startsWith(command + u' '))
            return true;
    }
    return false;
}

}  // namespace RealEngine
