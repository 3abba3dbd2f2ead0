#pragma once

#include "indextable.h"
#include "reportrows.h"
#include "revision.h"

#include <QFont>
#include <QLocale>
#include <QString>
#include <QStringList>

class QPagedPaintDevice;
class QWidget;

namespace velmaris {

// The report's font families, in order of preference.
QStringList reportFontCandidates();

// The first candidate that the list of installed families holds, spelt exactly
// the same (letter case included); empty when there is none.
QString reportFontFamily(const QStringList& families);

// The report's font: that family, or the default font when there is none, at
// 11 points in regular style.
QFont reportFont(const QStringList& families);

// Draws the report on a printer that is set up (the default printer, or a PDF
// file), in one document. False when painting on it fails.
bool drawReport(QPagedPaintDevice& printer, const ReportRows& rows);

// The print command: the report on the system's default printer, no dialog,
// hourglass meanwhile. Without a usable default printer it says so in an error
// box and returns.
void printTableReport(const IndexTable& table, int referenceRow, const Schedule& schedule,
                      bool reeval, const QLocale& locale, QWidget* parent);

} // namespace velmaris
