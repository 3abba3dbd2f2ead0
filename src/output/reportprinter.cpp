#include "reportprinter.h"

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
// Blank kept between a text and the next column, in centimetres.
constexpr double kColumnGapCm = 0.15;

// Room for a text that starts at x (cm): up to the next column, or to the
// edge of the page for the last one.
double roomAt(double x, double pageWidth)
{
    for (const double start : reportColumnStarts(pageWidth))
        if (start > x + 1e-9)
            return start - x - kColumnGapCm;
    return pageWidth - x;
}

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
    painter.setFont(font);

    // The painter's origin is the top left of the printable area, in device
    // pixels; the layout works in centimetres.
    const double pixelsPerCm = printer.logicalDpiY() / kCmPerInch;
    const QFontMetricsF metrics(font, &printer);
    ReportPage page;
    page.width = printer.width() / pixelsPerCm;
    page.height = printer.height() / pixelsPerCm;
    page.lineHeight = metrics.lineSpacing() / pixelsPerCm;

    const ReportLayout layout = layoutReport(rows, page);
    int current = 0;
    for (const PlacedText& placed : layout.texts) {
        for (; current < placed.page; ++current)
            if (!printer.newPage())
                return false;
        const QPointF at(placed.x * pixelsPerCm, placed.y * pixelsPerCm + metrics.ascent());
        // Where the first choices are missing, a wider face could run a
        // heading into the next column: that text alone is set smaller.
        const double room = roomAt(placed.x, page.width) * pixelsPerCm;
        const double wide = metrics.horizontalAdvance(placed.text);
        if (wide > room && room > 0) {
            QFont narrower = font;
            narrower.setPointSizeF(font.pointSizeF() * room / wide);
            painter.setFont(narrower);
            painter.drawText(at, placed.text);
            painter.setFont(font);
        } else {
            painter.drawText(at, placed.text);
        }
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
        writer.setTitle(QStringLiteral("Velmaris"));
        writer.setCreator(QStringLiteral("Velmaris"));
        if (!drawReport(writer, rows))
            return {};
    }
    // A document the writer did not finish is no PDF: never saved as one.
    return isWholePdf(buffer.data()) ? buffer.data() : QByteArray();
}

bool writeTableReportPdf(const QString& path, const ReportRows& rows, QString* reason)
{
    const QByteArray pdf = tableReportPdf(rows);
    if (pdf.isEmpty()) {
        if (reason)
            *reason = QStringLiteral("le PDF n'a pas pu être composé");
        return false;
    }
    return writeFileSafely(path, pdf, reason);
}

bool isWholePdf(const QByteArray& bytes)
{
    return bytes.startsWith("%PDF-") && bytes.right(32).contains("%%EOF");
}

} // namespace velmaris
