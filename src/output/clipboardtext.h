// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "indextable.h"
#include "numberstyle.h"
#include "reportrows.h"

#include <QString>

namespace velmaris {

// The table as tab-separated text for a spreadsheet or a letter: the three
// heading lines, then one line per row down to the reference row; a TAB between
// cells, CR LF after every line, the last one included.
QString clipboardText(const ReportRows& rows);
QString clipboardText(const IndexTable& table, int referenceRow, const Schedule& schedule,
                      bool reeval, const NumberStyle& style);

} // namespace velmaris
