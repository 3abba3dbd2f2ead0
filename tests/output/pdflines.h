// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A PDF read back as poppler's pdftotext reads it: its text, and its lines
// with their boxes in millimetres from the top left corner of their page.

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>

#include <algorithm>
#include <vector>

namespace velmaris::test {

inline QString pdftotext()
{
    return QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
}

inline QString pdftotextOutput(const QString& path, const QString& mode)
{
    QProcess p;
    p.start(pdftotext(), {mode, path, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The text as it reads, ligatures and no-break spaces as the PDF has them.
inline QString pdfRawText(const QString& path)
{
    return pdftotextOutput(path, QStringLiteral("-layout"));
}

// A ligature glyph (ﬀ ﬁ ﬂ ﬃ ﬄ ﬅ ﬆ) in the text: a word no search finds.
inline bool hasLigature(const QString& text)
{
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() >= 0xFB00 && c.unicode() <= 0xFB06; });
}

struct PdfLine {
    int page = 0;
    QString text; // its words, one blank between them, no-break spaces as blanks
    double left = 0, top = 0, right = 0, bottom = 0;
};

// Words on the same page whose tops are within half a millimetre, and that
// follow one another within 7 mm, make a line.
inline std::vector<PdfLine> pdfLines(const QString& path)
{
    static const QRegularExpression tag(
        QStringLiteral("<page |<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" "
                       "yMax=\"([\\d.]+)\">([^<]*)</word>"));
    constexpr double mmPerPoint = 25.4 / 72;
    std::vector<PdfLine> words;
    int page = -1;
    for (const QRegularExpressionMatch& m :
         tag.globalMatch(pdftotextOutput(path, QStringLiteral("-bbox")))) {
        if (m.captured(0) == u"<page ") {
            ++page;
            continue;
        }
        QString text = m.captured(5);
        text.replace(QStringLiteral("&lt;"), QStringLiteral("<"))
            .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
            .replace(QStringLiteral("&quot;"), QStringLiteral("\""))
            .replace(QStringLiteral("&apos;"), QStringLiteral("'"))
            .replace(QStringLiteral("&amp;"), QStringLiteral("&"))
            .replace(QChar(0xA0), u' ')
            .replace(QChar(0x202F), u' ');
        words.push_back({page, text, m.captured(1).toDouble() * mmPerPoint,
                         m.captured(2).toDouble() * mmPerPoint,
                         m.captured(3).toDouble() * mmPerPoint,
                         m.captured(4).toDouble() * mmPerPoint});
    }
    std::stable_sort(words.begin(), words.end(), [](const PdfLine& a, const PdfLine& b) {
        return a.page != b.page ? a.page < b.page : a.left < b.left;
    });
    std::vector<PdfLine> lines;
    for (const PdfLine& word : words) {
        const auto line = std::find_if(lines.begin(), lines.end(), [&](const PdfLine& l) {
            return l.page == word.page && qAbs(l.top - word.top) < 0.5 && word.left - l.right < 7
                   && word.left >= l.left;
        });
        if (line == lines.end()) {
            lines.push_back(word);
            continue;
        }
        line->text += u' ' + word.text;
        line->right = std::max(line->right, word.right);
        line->bottom = std::max(line->bottom, word.bottom);
    }
    std::stable_sort(lines.begin(), lines.end(), [](const PdfLine& a, const PdfLine& b) {
        return a.page != b.page ? a.page < b.page : a.top < b.top;
    });
    return lines;
}

} // namespace velmaris::test
