#pragma once

#include <QString>

#include <functional>

class QPagedPaintDevice;

// Printing needs QtPrintSupport, and CUPS behind it: the printer itself is set
// up in a module of its own (libvelmaris_print.so), loaded at the first print.
// The painters stay with the window and paint on whatever device it gives.
namespace velmaris {

inline constexpr char kPrintModule[] = "libvelmaris_print.so";
inline constexpr char kPrintEntry[] = "velmaris_print_on_default_printer";

// How a document wants its sheets: as the printer sets them up (the table's
// report, the audit), or A4 portrait painted from the sheet's corner (letters).
enum class PrintPages { AsPrinterSetsUp, WholeA4Portrait };

// The module's entry: the system's default printer at high resolution, named
// documentName, its sheets set as pages says, painted by draw. False when
// there is no usable default printer or draw fails.
using PrintEntry = bool (*)(const QString& documentName, PrintPages pages,
                            const std::function<bool(QPagedPaintDevice&)>& draw);

} // namespace velmaris
