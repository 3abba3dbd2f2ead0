// SPDX-License-Identifier: GPL-3.0-or-later
#include "reportprinter.h"

#include "pdfinfo.h"

#include "reportlayout.h"
#include "safefile.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

namespace velmaris {

namespace {

constexpr double kCmPerInch = 2.54;
constexpr int kReportPointSize = 11;
constexpr double kPdfMarginMm = 15;
// A sixty-fourth of a pixel between letters, the least Qt keeps: nothing on
// paper, but letter spacing turns off the font's ligatures ("ffi" in
// "Officiel"), so the PDF's text reads and searches letter by letter.
constexpr double kUnligatedSpacing = 1.0 / 64;

} // namespace

QStringList reportFontCandidates()
{
    return {QStringLiteral("Arial"), QStringLiteral("Helv"), QStringLiteral("Times New Roman"),
            QStringLiteral("Ms Sans Serif"), QStringLiteral("Courier")};
}

QString reportFontFamily(const QStringList& families)
{
    for (const QString& candidate : reportFontCandidates())
        if (families.contains(candidate, Qt::CaseSensitive))
            return candidate;
    return {};
}

QFont paperFont(const QString& family, int pointSize)
{
    QFont font; // the application's default font
    if (!family.isEmpty())
        font.setFamilies({family});
    font.setPointSize(pointSize);
    font.setWeight(QFont::Normal);
    font.setStyle(QFont::StyleNormal);
    font.setUnderline(false);
    font.setStrikeOut(false);
    font.setLetterSpacing(QFont::AbsoluteSpacing, kUnligatedSpacing);
    return font;
}

QFont reportFont(const QStringList& families)
{
    return paperFont(reportFontFamily(families), kReportPointSize);
}

bool drawReport(QPagedPaintDevice& printer, const ReportRows& rows)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const QFont font = reportFont(QFontDatabase::families());
    QFont bold = font;
    bold.setWeight(QFont::Bold);
    const QFontMetricsF metrics(font, &printer);
    const QFontMetricsF boldMetrics(bold, &printer);

    // The painter's origin is the top left of the printable area, in device
    // pixels; the layout works in centimetres.
    const double pixelsPerCm = printer.logicalDpiY() / kCmPerInch;
    ReportPage page;
    page.width = printer.width() / pixelsPerCm;
    page.height = printer.height() / pixelsPerCm;
    page.lineHeight = metrics.lineSpacing() / pixelsPerCm;
    const ReportLayout layout = layoutReport(rows, page, [&](const QString& text, bool isBold) {
        return (isBold ? boldMetrics : metrics).horizontalAdvance(text) / pixelsPerCm;
    });
    int current = 0;
    for (const PlacedText& placed : layout.texts) {
        for (; current < placed.page; ++current)
            if (!printer.newPage())
                return false;
        QFont face = placed.bold ? bold : font;
        if (placed.scale < 1)
            face.setPointSizeF(face.pointSizeF() * placed.scale);
        painter.setFont(face);
        painter.drawText(QPointF(placed.x * pixelsPerCm, placed.y * pixelsPerCm + metrics.ascent()),
                         placed.text);
    }
    return painter.end(); // sends the document
}

QByteArray tableReportPdf(const ReportRows& rows)
{
    QBuffer buffer;
    if (!buffer.open(QIODevice::WriteOnly))
        return {};
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(300);
        writer.setPageLayout(
            QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                        QMarginsF(kPdfMarginMm, kPdfMarginMm, kPdfMarginMm, kPdfMarginMm),
                        QPageLayout::Millimeter));
        writer.setTitle(reportTitle());
        writer.setCreator(QStringLiteral("Velmaris"));
        if (!drawReport(writer, rows))
            return {};
    }
    // A document the writer did not finish is no PDF: never saved as one.
    if (!isWholePdf(buffer.data()))
        return {};
    // The table is the program's own reckoning: it signs it.
    return withDocumentInfo(buffer.data(), QStringLiteral("Velmaris"),
                            QStringLiteral("Révision du loyer selon les indices de l’Insee"));
}

bool writeTableReportPdf(const QString& path, const ReportRows& rows, QString* reason)
{
    const QByteArray pdf = tableReportPdf(rows);
    if (pdf.isEmpty()) {
        if (reason)
            *reason = QStringLiteral("le PDF n’a pas pu être composé");
        return false;
    }
    return writeFileSafely(path, pdf, reason);
}

bool isWholePdf(const QByteArray& bytes)
{
    return bytes.startsWith("%PDF-") && bytes.right(32).contains("%%EOF");
}

} // namespace velmaris
