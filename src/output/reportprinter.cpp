#include "reportprinter.h"

#include "defaultprinter.h"
#include "reportlayout.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

namespace velmaris {

namespace {

constexpr double kCmPerInch = 2.54;
constexpr int kReportPointSize = 11;

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

QFont reportFont(const QStringList& families)
{
    QFont font; // the application's default font
    const QString family = reportFontFamily(families);
    if (!family.isEmpty())
        font.setFamilies({family});
    font.setPointSize(kReportPointSize);
    font.setWeight(QFont::Normal);
    font.setStyle(QFont::StyleNormal);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
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
        painter.drawText(QPointF(placed.x * pixelsPerCm, placed.y * pixelsPerCm + metrics.ascent()),
                         placed.text);
    }
    return painter.end(); // sends the document
}

void printTableReport(const IndexTable& table, int referenceRow, const Schedule& schedule,
                      bool reeval, const QLocale& locale, QWidget* parent)
{
    printOnDefaultPrinter(
        QStringLiteral("Velmaris"), PrintPages::AsPrinterSetsUp,
        [&](QPagedPaintDevice& printer) {
            return drawReport(printer, reportRows(table, referenceRow, schedule, reeval, locale));
        },
        parent);
}

} // namespace velmaris
