#include "EngineText.h"

#include "EngineProcess.h"
#include "engine/MaintenanceReader.h"
#include "engine/SizeMarkers.h"
#include "engine/UninstallReport.h"

QStringList appLines(const Invocation &run, int timeoutMs) {
    QObject context;
    std::optional<Engine::Output> out;
    Engine::output(run, &context, [&](const Engine::Output &o) { out = o; });
    if (!QTest::qWaitFor([&] { return out.has_value(); }, timeoutMs) || out->error)
        return {};
    return out->text.split(u'\n', Qt::SkipEmptyParts);
}

ParsedReport parseReport(const QStringList &lines) {
    ParsedReport report;
    for (const QString &line : lines) {
        if (const std::optional<SizeMarkers::Totals> totals = SizeMarkers::totalsIn(line)) {
            report.total = totals->bytes;
            report.itemCount = totals->itemCount;
            continue;
        }
        ReportParser::feed(line, report.sections);
    }
    return report;
}

ParsedReport readMaintenance(const QStringList &lines) {
    ParsedReport report;
    MaintenanceReader reader;
    for (const QString &line : lines) reader.take(line, report.sections, report.summary);
    return report;
}

QString withoutJoiners(QString text) {
    return text.remove(QChar(0x2060));
}

QStringList labels(const ParsedReport &report, const QString &section, ReportItem::Kind kind) {
    QStringList out;
    for (const ReportSection &s : report.sections)
        if (section.isNull() || s.title == section)
            for (const ReportItem &item : s.items)
                if (item.kind == kind)
                    out.append(withoutJoiners(item.label));
    return out;
}

const ReportItem *findItem(const ParsedReport &report, const QString &section,
                           const QString &label) {
    for (const ReportSection &s : report.sections)
        if (s.title == section)
            for (const ReportItem &item : s.items)
                if (withoutJoiners(item.label) == label)
                    return &item;
    return nullptr;
}

QList<QByteArray> leftoverBytes(const QStringList &dryRun) {
    QList<QByteArray> paths;
    for (const Leftover &leftover : UninstallReport::leftovers(dryRun.join(u'\n')))
        paths.append(leftover.exactPath);
    return paths;
}

QStringList TrashRun::statuses() const {
    QStringList out;
    for (const QJsonObject &line : lines)
        if (line.contains(u"status"_qs))
            out.append(line[u"status"_qs].toString());
    return out;
}

TrashRun readTrash(int exitCode, const QByteArray &output) {
    TrashRun run{exitCode, {}};
    for (const QString &line : appLines(output))
        run.lines.append(QJsonDocument::fromJson(line.toUtf8()).object());
    return run;
}

TrashRun trash(const QList<QByteArray> &paths) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(engineBinary(), {u"trash"_qs, u"--stdin"_qs});
    for (const QByteArray &path : paths) process.write(path + '\0');
    process.closeWriteChannel();
    if (!process.waitForFinished(60000))
        return {};
    return readTrash(process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                     process.readAll());
}
