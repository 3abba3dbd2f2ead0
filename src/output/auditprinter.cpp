// SPDX-License-Identifier: GPL-3.0-or-later
#include "auditprinter.h"

#include "pdfinfo.h"

#include "auditlayout.h"
#include "datafolder.h"
#include "reportprinter.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

#include <array>
#include <optional>

namespace velmaris {

namespace {

constexpr double kCmPerInch = 2.54;
constexpr double kMarginMm = 15;

QPageLayout auditPageLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                       QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                       QPageLayout::Millimeter);
}

double pointSize(AuditStyle style)
{
    switch (style) {
    case AuditStyle::Title:
        return 15;
    case AuditStyle::Heading:
        return 12;
    case AuditStyle::Body:
        return 10;
    case AuditStyle::Small:
        return 8.5;
    }
    return 10;
}

// The fonts of the report, regular and bold for each style, in the family of
// the index report.
class Fonts {
public:
    explicit Fonts(QPaintDevice* device)
    {
        const QFont base = reportFont(QFontDatabase::families());
        for (int s = 0; s < 4; ++s) {
            for (int b = 0; b < 2; ++b) {
                QFont font = base;
                font.setPointSizeF(pointSize(AuditStyle(s)));
                font.setBold(b == 1);
                m_fonts[std::size_t(2 * s + b)] = font;
                m_metrics[std::size_t(2 * s + b)].emplace(font, device);
            }
        }
    }
    const QFont& font(AuditStyle style, bool bold) const { return m_fonts[index(style, bold)]; }
    const QFontMetricsF& metrics(AuditStyle style, bool bold) const
    {
        return *m_metrics[index(style, bold)];
    }

private:
    static std::size_t index(AuditStyle style, bool bold)
    {
        return std::size_t(2 * int(style) + (bold ? 1 : 0));
    }
    std::array<QFont, 8> m_fonts;
    std::array<std::optional<QFontMetricsF>, 8> m_metrics;
};

} // namespace

bool drawAuditReport(QPagedPaintDevice& device, const AuditReport& report)
{
    if (!device.setPageLayout(auditPageLayout()))
        return false;
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    // The painter's origin is the top left of the area inside the margins, in
    // device pixels; the layout works in centimetres.
    const Fonts fonts(&device);
    const double pixelsPerCm = device.logicalDpiX() / kCmPerInch;
    AuditMetrics metrics;
    metrics.width = device.width() / pixelsPerCm;
    metrics.height = device.height() / pixelsPerCm;
    metrics.textWidth = [&](AuditStyle style, bool bold, const QString& text) {
        return fonts.metrics(style, bold).horizontalAdvance(text) / pixelsPerCm;
    };
    metrics.lineHeight = [&](AuditStyle style) {
        return fonts.metrics(style, false).lineSpacing() / pixelsPerCm;
    };
    const AuditLayout layout = layoutAuditReport(report, metrics);

    QPen pen(Qt::black);
    pen.setWidthF(0.02 * pixelsPerCm);
    painter.setPen(pen);
    int current = 0;
    auto turnTo = [&](int page) {
        for (; current < page; ++current)
            if (!device.newPage())
                return false;
        return true;
    };
    std::size_t rule = 0;
    for (const AuditPlaced& placed : layout.texts) {
        if (!turnTo(placed.page))
            return false;
        // The rules of this page go first, under the texts.
        for (; rule < layout.rules.size() && layout.rules[rule].page == current; ++rule) {
            const AuditRule& r = layout.rules[rule];
            painter.drawLine(QPointF(r.x1 * pixelsPerCm, r.y * pixelsPerCm),
                             QPointF(r.x2 * pixelsPerCm, r.y * pixelsPerCm));
        }
        painter.setFont(fonts.font(placed.style, placed.bold));
        painter.drawText(
            QPointF(placed.x * pixelsPerCm,
                    placed.y * pixelsPerCm + fonts.metrics(placed.style, placed.bold).ascent()),
            placed.text);
    }
    return painter.end(); // sends the document
}

QByteArray auditReportPdf(const AuditReport& report)
{
    QBuffer buffer;
    if (!buffer.open(QIODevice::WriteOnly))
        return {};
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(300);
        writer.setTitle(report.title);
        writer.setCreator(QStringLiteral("Velmaris"));
        if (!drawAuditReport(writer, report))
            return {};
    }
    // A document the writer did not finish is no PDF: never saved as one.
    if (!isWholePdf(buffer.data()))
        return {};
    return withDocumentInfo(buffer.data(), report.author, report.title);
}

bool writeAuditReportPdf(const QString& path, const AuditReport& report, QString* reason)
{
    const QByteArray pdf = auditReportPdf(report);
    if (pdf.isEmpty()) {
        if (reason)
            *reason = QStringLiteral("le PDF n’a pas pu être composé");
        return false;
    }
    return writeFileSafely(path, pdf, reason);
}

} // namespace velmaris
