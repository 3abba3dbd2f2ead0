// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "auditreport.h"

#include <QString>

class QPagedPaintDevice;

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

} // namespace velmaris
