// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "indextable.h"
#include "numberstyle.h"
#include "revision.h"

namespace velmaris {

// The copy command: puts the table's text on the system clipboard, hourglass
// meanwhile.
void copyTableToClipboard(const IndexTable& table, int referenceRow, const Schedule& schedule,
                          bool reeval, const NumberStyle& style);

} // namespace velmaris
