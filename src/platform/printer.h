#pragma once

#include <QString>

namespace velmaris {

// Name of the system's default printer, empty when none is set up.
QString defaultPrinterName();

} // namespace velmaris
