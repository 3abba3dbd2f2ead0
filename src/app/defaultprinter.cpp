// SPDX-License-Identifier: GPL-3.0-or-later
#include "defaultprinter.h"

#include "auditprinter.h"
#include "cursor.h"
#include "letterprinter.h"
#include "messages.h"
#include "reportprinter.h"

#include <QPrinter>
#include <QPrinterInfo>

#include <optional>

namespace velmaris {

namespace {

// The default printer at high resolution, its sheets set as pages says. False
// when there is no usable default printer or draw fails.
bool printOn(const QString& documentName, PrintPages pages,
             const std::function<bool(QPagedPaintDevice&)>& draw)
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return false;
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setDocName(documentName);
    if (pages == PrintPages::WholeA4Portrait) {
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageOrientation(QPageLayout::Portrait);
        printer.setFullPage(true);
    }
    return printer.isValid() && draw(printer);
}

} // namespace

bool printOnDefaultPrinter(const QString& documentName, PrintPages pages,
                           const std::function<bool(QPagedPaintDevice&)>& draw, QWidget* parent)
{
    std::optional<BusyCursor> busy(std::in_place);
    const bool printed = printOn(documentName, pages, draw);
    busy.reset(); // the error box gets the normal pointer
    if (!printed)
        MessageBox::critical(parent, QStringLiteral("Erreur d’impression"),
                             QStringLiteral("Pas d’imprimante par défaut. Modifiez votre "
                                            "configuration avant de relancer l’impression."));
    return printed;
}

void printTableReport(const IndexTable& table, int referenceRow, const Schedule& schedule,
                      bool reeval, const NumberStyle& style, QWidget* parent)
{
    printOnDefaultPrinter(
        QStringLiteral("Velmaris"), PrintPages::AsPrinterSetsUp,
        [&](QPagedPaintDevice& printer) {
            return drawReport(printer, reportRows(table, referenceRow, schedule, reeval, style));
        },
        parent);
}

bool printAuditReport(const AuditReport& report, QWidget* parent)
{
    return printOnDefaultPrinter(
        report.title, PrintPages::AsPrinterSetsUp,
        [&](QPagedPaintDevice& printer) { return drawAuditReport(printer, report); }, parent);
}

bool printLetters(const std::vector<RevisionLetter>& letters, const QString& title, QWidget* parent)
{
    return printOnDefaultPrinter(
        title, PrintPages::WholeA4Portrait,
        [&](QPagedPaintDevice& printer) { return drawLetters(printer, letters); }, parent);
}

} // namespace velmaris
