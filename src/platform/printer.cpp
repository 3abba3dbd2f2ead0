#include "printer.h"

#include <QPrinterInfo>

namespace velmaris {

QString defaultPrinterName()
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    return info.isNull() ? QString() : info.printerName();
}

} // namespace velmaris
