#include "engine/MaintenanceReader.h"

MaintenanceReader::Took MaintenanceReader::take(const QString &line, QList<ReportSection> &sections,
                                                QStringList &summaryLines) {
    // The rule test is on the line as delivered: an indented rule is text.
    if (line.startsWith(u"====="_qs)) {
        m_inSummary = !m_inSummary;
        return nothing;
    }
    if (m_inSummary) {
        summaryLines.append(trimSpacesAndTabs(line).toString());
        return summary;
    }
    return ReportParser::feed(line, sections) ? report : nothing;
}
