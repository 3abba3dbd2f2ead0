// SPDX-License-Identifier: GPL-3.0-or-later
#include "letterprinter.h"

#include "pdfinfo.h"

#include "datafolder.h"
#include "letterlayout.h"
#include "reportprinter.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

namespace velmaris {

namespace {

constexpr double kCmPerInch = 2.54;
constexpr int kLetterPointSize = 11;
constexpr int kMentionsPointSize = 8; // the agency's mentions at the foot
constexpr int kPdfResolution = 600;

} // namespace

QStringList letterFontCandidates()
{
    return {QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
            QStringLiteral("DejaVu Serif"), QStringLiteral("Georgia")};
}

QFont letterFont(const QStringList& families)
{
    QString family;
    for (const QString& candidate : letterFontCandidates())
        if (families.contains(candidate, Qt::CaseSensitive)) {
            family = candidate;
            break;
        }
    return paperFont(family, kLetterPointSize);
}

bool drawLetters(QPagedPaintDevice& device, const std::vector<RevisionLetter>& letters)
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const QFont regular = letterFont(QFontDatabase::families());
    QFont bold = regular;
    bold.setWeight(QFont::Bold);
    QFont small = regular;
    small.setPointSize(kMentionsPointSize);
    const QFontMetricsF regularMetrics(regular, &device);
    const QFontMetricsF boldMetrics(bold, &device);
    const QFontMetricsF smallMetrics(small, &device);

    const int dpi = device.logicalDpiY();
    const double pixelsPerCm = dpi / kCmPerInch;
    LetterMetrics metrics;
    metrics.lineHeight = regularMetrics.lineSpacing() / pixelsPerCm;
    metrics.width = [&](const QString& text, bool isBold) {
        return (isBold ? boldMetrics : regularMetrics).horizontalAdvance(text) / pixelsPerCm;
    };
    metrics.smallLineHeight = smallMetrics.lineSpacing() / pixelsPerCm;
    metrics.smallWidth = [&](const QString& text) {
        return smallMetrics.horizontalAdvance(text) / pixelsPerCm;
    };
    const LetterLayout layout = layoutLetters(letters, metrics);

    // The layout counts from the sheet's corner, the painter from the paint
    // rectangle's: the same point unless a printer keeps margins of its own.
    const QPointF origin = device.pageLayout().paintRectPixels(dpi).topLeft();
    int current = 0;
    for (const LetterLine& line : layout.lines) {
        for (; current < line.page; ++current)
            if (!device.newPage())
                return false;
        painter.setFont(line.small ? small : line.bold ? bold : regular);
        const double ascent = (line.small  ? smallMetrics
                               : line.bold ? boldMetrics
                                           : regularMetrics)
                                  .ascent();
        painter.drawText(
            QPointF(line.x * pixelsPerCm - origin.x(), line.y * pixelsPerCm + ascent - origin.y()),
            line.text);
    }
    return painter.end();
}

QByteArray lettersPdf(const std::vector<RevisionLetter>& letters, const QString& title)
{
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        if (!buffer.open(QIODevice::WriteOnly))
            return {};
        QPdfWriter writer(&buffer);
        writer.setResolution(kPdfResolution);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Velmaris"));
        if (!drawLetters(writer, letters))
            return {};
    }
    // A document the writer did not finish is no PDF: never saved as one.
    if (!isWholePdf(bytes))
        return {};
    // Its author, the sender (the agency, or each owner); its subject, the revision.
    QStringList senders;
    for (const RevisionLetter& letter : letters)
        if (!letter.sender.isEmpty() && !senders.contains(letter.sender.front()))
            senders << letter.sender.front();
    QString subject;
    if (letters.size() == 1) {
        subject = letters.front().subject;
        if (const qsizetype colon = subject.indexOf(u':'); colon >= 0)
            subject = subject.mid(colon + 1).trimmed();
        if (!subject.isEmpty())
            subject[0] = subject[0].toUpper();
        subject += QStringLiteral(" — ") + letters.front().subjectDetail;
    } else {
        subject =
            QStringLiteral("Révision annuelle des loyers\u00a0: %1 lettres").arg(letters.size());
    }
    return withDocumentInfo(bytes, senders.join(QStringLiteral(", ")), subject);
}

bool saveLettersPdf(const std::vector<RevisionLetter>& letters, const QString& title,
                    const QString& path, QString* reason)
{
    if (letters.empty()) {
        if (reason)
            *reason = QStringLiteral("il n’y a aucune lettre à écrire");
        return false;
    }
    const QByteArray pdf = lettersPdf(letters, title);
    if (pdf.isEmpty()) {
        if (reason)
            *reason = QStringLiteral("le document PDF n’a pas pu être composé");
        return false;
    }
    return writeFileSafely(path, pdf, reason);
}

} // namespace velmaris
