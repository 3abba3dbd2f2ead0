// SPDX-License-Identifier: GPL-3.0-or-later
#include "clipboardtext.h"

namespace velmaris {

namespace {

void appendLine(QString& text, const ReportCells& cells)
{
    for (int c = 0; c < kReportColumns; ++c) {
        if (c > 0)
            text += u'\t';
        text += cells[std::size_t(c)];
    }
    text += u"\r\n";
}

} // namespace

QString clipboardText(const ReportRows& rows)
{
    QString text;
    // About 60 characters a line; saves regrowing on a long table.
    text.reserve(qsizetype((rows.rows.size() + kHeadingLines) * 64));
    for (const ReportCells& heading : rows.headings)
        appendLine(text, heading);
    for (const ReportCells& row : rows.rows)
        appendLine(text, row);
    return text;
}

QString clipboardText(const IndexTable& table, int referenceRow, const Schedule& schedule,
                      bool reeval, const NumberStyle& style)
{
    return clipboardText(reportRows(table, referenceRow, schedule, reeval, style));
}

} // namespace velmaris
