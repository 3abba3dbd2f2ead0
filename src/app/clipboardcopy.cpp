// SPDX-License-Identifier: GPL-3.0-or-later
#include "clipboardcopy.h"

#include "clipboardtext.h"
#include "cursor.h"

#include <QClipboard>
#include <QGuiApplication>

namespace velmaris {

void copyTableToClipboard(const IndexTable& table, int referenceRow, const Schedule& schedule,
                          bool reeval, const NumberStyle& style)
{
    const BusyCursor busy;
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) // no clipboard on this platform: nothing to copy into
        return;
    clipboard->clear();
    clipboard->setText(clipboardText(table, referenceRow, schedule, reeval, style));
}

} // namespace velmaris
