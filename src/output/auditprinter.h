#pragma once

#include "auditreport.h"

#include <QString>

class QPagedPaintDevice;
class QWidget;

namespace velmaris {

// Paints the report on a device set up for it (the default printer, a PDF
// writer), A4 portrait with its margins, in one document. False when
// painting fails.
bool drawAuditReport(QPagedPaintDevice& device, const AuditReport& report);

// The report as a PDF file, in memory.
QByteArray auditReportPdf(const AuditReport& report);

// Writes the PDF to `path`, replacing a file there only once the whole PDF is
// written. False with the reason in French (*reason) when nothing was written.
bool writeAuditReportPdf(const QString& path, const AuditReport& report, QString* reason);

// The print command: the report on the system's default printer, no dialog,
// hourglass meanwhile; an error box when there is no usable default printer.
// True when the document went to the printer.
bool printAuditReport(const AuditReport& report, QWidget* parent);

} // namespace velmaris
