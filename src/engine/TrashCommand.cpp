#include "engine/TrashCommand.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>

#include "engine/Commands.h"
#include "engine/Engine.h"

namespace Trash {

namespace {

Outcome outcomeOf(const QByteArray &path, const QJsonObject &line) {
    const QString status = line.value(u"status"_qs).toString();
    const QString reason = line.value(u"reason"_qs).toString();
    if (status == u"moved" || status == u"gone")
        return {path, Outcome::moved, {}};
    if (status == u"refused")
        return {path, Outcome::refused,
                QCoreApplication::translate("Trash", "This folder can't be moved to the Trash.")};
    return {path, status == u"failed" ? Outcome::failed : Outcome::left, reason};
}

}  // namespace

QList<Outcome> outcomesFrom(const QList<QByteArray> &paths, const QStringList &lines,
                            const std::optional<QString> &runError) {
    QList<Outcome> outcomes;
    for (const QString &line : lines) {
        if (outcomes.size() == paths.size())
            break;
        const QJsonObject object = QJsonDocument::fromJson(line.toUtf8()).object();
        if (object.contains(u"status"_qs))
            outcomes.append(outcomeOf(paths[outcomes.size()], object));
    }
    const QString why =
        runError.value_or(QCoreApplication::translate("Trash", "The Trash couldn't be used."));
    for (qsizetype i = outcomes.size(); i < paths.size(); ++i)
        outcomes.append({paths[i], Outcome::left, why});
    return outcomes;
}

void moveToTrash(const QList<QByteArray> &paths, QObject *context,
                 std::function<void(const QList<Outcome> &)> done) {
    if (paths.isEmpty()) {
        QMetaObject::invokeMethod(
            context, [done] { done({}); }, Qt::QueuedConnection);
        return;
    }
    QByteArray input;
    for (const QByteArray &path : paths) input += path + '\0';
    Engine::outputFedWith(Commands::trash(), input, context,
                          [paths, done](const Engine::Output &out) {
                              done(outcomesFrom(paths, out.text.split(u'\n'), out.error));
                          });
}

}  // namespace Trash
