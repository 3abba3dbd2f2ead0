#pragma once

#include "printmodule.h"

#include <QByteArray>
#include <QString>

#include <functional>

class QWidget;

namespace velmaris {

// Prints on the system's default printer, with no dialog and the hourglass
// meanwhile: `draw` sets the printer up as it needs and paints. Without a
// usable default printer, or when painting fails, one error box says so; the
// printer is set up by the print module, loaded here the first time.
// True when the pages went to the printer.
bool printOnDefaultPrinter(const QString& documentName, PrintPages pages,
                           const std::function<bool(QPagedPaintDevice&)>& draw, QWidget* parent);

// A PDF document as a writer ends it: its header first, its end mark last. A
// writer that failed halfway leaves something else.
bool isWholePdf(const QByteArray& bytes);

} // namespace velmaris
