// The print module (libvelmaris_print.so): the default printer, through
// QtPrintSupport. Loaded by printOnDefaultPrinter() at the first print.
#include "printmodule.h"

#include <QPrinter>
#include <QPrinterInfo>

#include <type_traits>

using velmaris::PrintPages;

extern "C" Q_DECL_EXPORT bool
velmaris_print_on_default_printer(const QString& documentName, PrintPages pages,
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

// The entry has the type the loader casts it to.
static_assert(std::is_same_v<decltype(&velmaris_print_on_default_printer), velmaris::PrintEntry>);
