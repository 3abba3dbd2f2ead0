// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "textwrap.h"

#include "auditreport.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace velmaris {

// How texts measure on the page, in centimetres: what the painter's fonts say,
// or a simple rule in tests.
struct AuditMetrics {
    double width = 0;  // between the margins
    double height = 0; // between the margins
    std::function<double(AuditStyle style, bool bold, const QString& text)> textWidth;
    std::function<double(AuditStyle style)> lineHeight;
};

// One line of text at its place: x from the left margin, y the top of its line
// from the top margin, in centimetres.
struct AuditPlaced {
    int page = 0;
    double x = 0;
    double y = 0;
    AuditStyle style = AuditStyle::Body;
    bool bold = false;
    QString text;
};

// A horizontal rule under the headings of a table and above its totals.
struct AuditRule {
    int page = 0;
    double x1 = 0, x2 = 0, y = 0;
};

struct AuditLayout {
    std::vector<AuditPlaced> texts; // page by page, top to bottom
    std::vector<AuditRule> rules;
    int pages = 1;
};

// Where every line of the report goes. Paragraphs and table cells wrap to their
// width; a row or a line never splits across pages, a heading never ends a
// page, and a table that runs on to the next page repeats its headings there.
// The last line of every page is the footer with "page n/N".
AuditLayout layoutAuditReport(const AuditReport& report, const AuditMetrics& metrics);

} // namespace velmaris
