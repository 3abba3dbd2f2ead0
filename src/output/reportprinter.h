// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "indextable.h"
#include "numberstyle.h"
#include "reportrows.h"
#include "revision.h"

#include <QFont>
#include <QString>
#include <QStringList>

class QPagedPaintDevice;

namespace velmaris {

// The report's font families, in order of preference.
QStringList reportFontCandidates();

// The first candidate that the list of installed families holds, spelt exactly
// the same (letter case included); empty when there is none.
QString reportFontFamily(const QStringList& families);

// The application's default font as paper takes it: in the given family (when
// not empty) and size, regular, upright, plain, without ligatures (every
// letter of the PDF's text its own).
QFont paperFont(const QString& family, int pointSize);

// The report's font: that family, or the default font when there is none, at
// 11 points in regular style.
QFont reportFont(const QStringList& families);

// Draws the report on a printer that is set up (the default printer, or a PDF
// file), in one document. False when painting on it fails.
bool drawReport(QPagedPaintDevice& printer, const ReportRows& rows);

// The report as a PDF document in memory: the pages the printer gets, on A4
// with 15 mm margins. Empty when it could not be made.
QByteArray tableReportPdf(const ReportRows& rows);

// Writes that PDF to path, replacing a file there only once the whole PDF is
// on the disk. False with the reason in French.
bool writeTableReportPdf(const QString& path, const ReportRows& rows, QString* reason);

// A PDF document as a writer ends it: its header first, its end mark last. A
// writer that failed halfway leaves something else.
bool isWholePdf(const QByteArray& bytes);

} // namespace velmaris
