// SPDX-License-Identifier: GPL-3.0-or-later
#include "pdfinfo.h"

namespace velmaris {

namespace {

// A PDF text string: UTF-16BE after its byte order mark, the bytes a literal
// string cannot hold as they are escaped.
QByteArray pdfText(const QString& text)
{
    QByteArray bytes("\xFE\xFF", 2);
    for (const QChar c : text) {
        bytes += char(c.unicode() >> 8);
        bytes += char(c.unicode() & 0xFF);
    }
    QByteArray escaped;
    for (const char b : bytes) {
        if (b == '(' || b == ')' || b == '\\')
            escaped += '\\';
        escaped += b;
    }
    return '(' + escaped + ')';
}

} // namespace

QByteArray withDocumentInfo(const QByteArray& pdf, const QString& author, const QString& subject)
{
    // The information is the first object, and the trailer points at it.
    const qsizetype at = pdf.indexOf("/Title ");
    const qsizetype info = pdf.indexOf("1 0 obj\n<<\n");
    const qsizetype xref = pdf.lastIndexOf("\nxref\n");
    const qsizetype start = pdf.lastIndexOf("startxref\n");
    if (info < 0 || at < 0 || at > info + 20 || xref < 0 || start < xref
        || !pdf.contains("/Info 1 0 R"))
        return pdf;
    QByteArray added;
    if (!author.trimmed().isEmpty())
        added += "/Author " + pdfText(author.trimmed()) + '\n';
    if (!subject.trimmed().isEmpty())
        added += "/Subject " + pdfText(subject.trimmed()) + '\n';
    if (added.isEmpty())
        return pdf;
    const qsizetype delta = added.size();

    // The cross-reference table: "0 N" then N lines of 20 bytes.
    QByteArray out = pdf.left(at) + added + pdf.mid(at, xref + 1 - at);
    qsizetype line = xref + 6;
    const qsizetype header = pdf.indexOf('\n', line);
    if (header < 0)
        return pdf;
    const QList<QByteArray> counts = pdf.mid(line, header - line).split(' ');
    bool ok = counts.size() == 2;
    const int entries = ok ? counts[1].trimmed().toInt(&ok) : 0;
    if (!ok)
        return pdf;
    out += pdf.mid(xref + 1, header + 1 - (xref + 1));
    line = header + 1;
    for (int i = 0; i < entries; ++i, line += 20) {
        QByteArray entry = pdf.mid(line, 20);
        if (entry.size() != 20 || entry[17] != 'n') {
            out += entry;
            continue;
        }
        const qint64 offset = entry.left(10).toLongLong(&ok);
        if (!ok)
            return pdf;
        if (offset > at)
            entry.replace(0, 10, QByteArray::number(offset + delta).rightJustified(10, '0'));
        out += entry;
    }
    // The trailer, then where the table now starts.
    const qsizetype number = start + 10;
    const qsizetype end = pdf.indexOf('\n', number);
    if (end < 0)
        return pdf;
    out += pdf.mid(line, number - line);
    const qint64 xrefAt = pdf.mid(number, end - number).trimmed().toLongLong(&ok);
    if (!ok)
        return pdf;
    out += QByteArray::number(xrefAt + delta) + ' ' + pdf.mid(end);
    return out;
}

} // namespace velmaris
