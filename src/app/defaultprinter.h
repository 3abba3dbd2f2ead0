// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "auditreport.h"
#include "indextable.h"
#include "numberstyle.h"
#include "revision.h"
#include "revisionletter.h"

#include <QString>

#include <functional>
#include <vector>

class QPagedPaintDevice;
class QWidget;

namespace velmaris {

// How a document wants its sheets: as the printer sets them up (the table's
// report, the audit), or A4 portrait painted from the sheet's corner (letters).
enum class PrintPages { AsPrinterSetsUp, WholeA4Portrait };

// Prints on the system's default printer, with no dialog and the hourglass
// meanwhile: `draw` paints on the printer set up as `pages` says. Without a
// usable default printer, or when painting fails, one error box says so.
// True when the pages went to the printer.
bool printOnDefaultPrinter(const QString& documentName, PrintPages pages,
                           const std::function<bool(QPagedPaintDevice&)>& draw, QWidget* parent);

// The print commands of the windows, each through printOnDefaultPrinter.
void printTableReport(const IndexTable& table, int referenceRow, const Schedule& schedule,
                      bool reeval, const NumberStyle& style, QWidget* parent);
bool printAuditReport(const AuditReport& report, QWidget* parent);
bool printLetters(const std::vector<RevisionLetter>& letters, const QString& title,
                  QWidget* parent);

} // namespace velmaris
