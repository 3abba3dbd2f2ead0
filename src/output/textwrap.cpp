// SPDX-License-Identifier: GPL-3.0-or-later
#include "textwrap.h"

namespace velmaris {

namespace {

constexpr double kTolerance = 1e-9;

// Cuts one word too wide for the line into pieces that fit, at least one
// character each.
void splitWord(const QString& word, double width,
               const std::function<double(const QString&)>& textWidth, QStringList& lines)
{
    QString piece;
    for (const QChar c : word) {
        if (!piece.isEmpty() && textWidth(piece + c) > width + kTolerance) {
            lines << piece;
            piece.clear();
        }
        piece += c;
    }
    if (!piece.isEmpty())
        lines << piece;
}

} // namespace

QStringList wrapText(const QString& text, double width,
                     const std::function<double(const QString&)>& textWidth)
{
    QStringList lines;
    for (const QString& paragraph : text.split(u'\n')) {
        QString line;
        for (const QString& word : paragraph.split(u' ', Qt::SkipEmptyParts)) {
            const QString candidate = line.isEmpty() ? word : line + u' ' + word;
            if (textWidth(candidate) <= width + kTolerance) {
                line = candidate;
                continue;
            }
            if (!line.isEmpty())
                lines << line;
            line.clear();
            if (textWidth(word) <= width + kTolerance) {
                line = word;
            } else {
                splitWord(word, width, textWidth, lines);
                line = lines.takeLast();
            }
        }
        lines << line;
    }
    // A text that ends with "\n" does not earn an empty line; an empty text
    // gives none at all.
    while (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace velmaris
