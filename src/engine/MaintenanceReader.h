#pragma once

#include <QList>
#include <QStringList>

#include "engine/Report.h"

// The engine's maintenance output: a report of checks, and summary lines
// framed by "=====" rules. Read line by line into the caller's lists; a new
// run starts with a new reader.
class MaintenanceReader {
public:
    // What a line added: to the report (a section or an item), or one
    // summary line. Rules add nothing.
    enum Took { nothing, report, summary };

    Took take(const QString &line, QList<ReportSection> &sections, QStringList &summaryLines);

private:
    bool m_inSummary = false;  // between an opening and a closing rule
};
