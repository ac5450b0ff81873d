#pragma once

#include <QJsonObject>

#include <optional>

#include "engine/Commands.h"
#include "engine/Report.h"

// How the engine suites read the engine's text: through the app's own
// readers in engine/, so a suite sees each format exactly as the app does.

// The engine's output as the app's runner delivers it: cleaned, filtered lines.
QStringList appLines(const Invocation &run, int timeoutMs = 120000);

// A text report read the way the cleanup model reads a scan.
struct ParsedReport {
    QList<ReportSection> sections;
    std::optional<qint64> total;      // from the last size-marker line
    std::optional<qint64> itemCount;  // from that line's "Items: N"
    QStringList summary;              // a maintenance report's lines between "=====" rules
};
ParsedReport parseReport(const QStringList &lines);
// A maintenance report read the way the maintenance model reads it: lines
// between "=====" rules are the summary, the rest goes to the report parser.
ParsedReport readMaintenance(const QStringList &lines);

// Labels of one kind in the sections titled `section` (all of them when it is
// null), with the invisible word joiners the engine puts into names removed;
// an item by its label (nothing when none has it).
QStringList labels(const ParsedReport &report, const QString &section, ReportItem::Kind kind);
const ReportItem *findItem(const ParsedReport &report, const QString &section,
                           const QString &label);
QString withoutJoiners(QString text);

// The exact bytes of the leftovers an uninstall dry run lists, as the
// uninstaller reads them.
QList<QByteArray> leftoverBytes(const QStringList &dryRun);

// The trash command's JSON lines, read the way the app reads them: one per
// path, then the summary.
struct TrashRun {
    int exitCode = -1;
    QList<QJsonObject> lines;
    QStringList statuses() const;
    QJsonObject summary() const { return lines.isEmpty() ? QJsonObject() : lines.last(); }
};
TrashRun readTrash(int exitCode, const QByteArray &output);
// `mole trash --stdin` with the paths as NUL-separated bytes.
TrashRun trash(const QList<QByteArray> &paths);
