// SPDX-License-Identifier: GPL-3.0-or-later
#include "postaladdress.h"

#include <utility>

namespace velmaris {

namespace {

QStringList typedLines(const QString& text)
{
    QStringList lines;
    for (const QString& line : text.split(u'\n')) {
        if (const QString simple = line.simplified(); !simple.isEmpty())
            lines << simple;
    }
    return lines;
}

// The line, cut at blanks into pieces of at most `width` characters; a word
// longer than that is cut where it must.
QStringList wrapped(const QString& line, int width)
{
    QStringList out;
    QString current;
    for (QString word : line.split(u' ', Qt::SkipEmptyParts)) {
        while (word.size() > width) {
            if (!current.isEmpty())
                out << std::exchange(current, QString());
            out << word.left(width);
            word = word.mid(width);
        }
        if (current.isEmpty())
            current = word;
        else if (current.size() + 1 + word.size() <= width)
            current += u' ' + word;
        else
            out << std::exchange(current, word);
    }
    if (!current.isEmpty())
        out << current;
    return out;
}

QStringList wrappedAll(const QStringList& lines)
{
    QStringList out;
    for (const QString& line : lines)
        out << wrapped(line, kPostalLineWidth);
    return out;
}

QString withoutAccents(const QString& text)
{
    QString out;
    for (QChar c : text.normalized(QString::NormalizationForm_D)) {
        if (c.category() != QChar::Mark_NonSpacing)
            out += c;
    }
    return out;
}

struct Dwelling {
    QStringList lines; // the street lines
    QString code, town;
};

Dwelling dwellingOf(const Lease& lease)
{
    Dwelling d{typedLines(lease.address), lease.postalCode.trimmed(), lease.town.simplified()};
    if (d.code.isEmpty())
        return d;
    for (qsizetype i = d.lines.size() - 1; i >= 0; --i) {
        const QString& line = d.lines[i];
        if (line.startsWith(d.code, Qt::CaseInsensitive)
            && (line.size() == d.code.size() || line[d.code.size()] == u' ')) {
            if (d.town.isEmpty())
                d.town = line.mid(d.code.size()).trimmed();
            d.lines.removeAt(i);
            break;
        }
    }
    return d;
}

} // namespace

QString postalTownLine(const QString& postalCode, const QString& town)
{
    const QString code = postalCode.trimmed().toUpper();
    const QString place = withoutAccents(town.simplified()).toUpper();
    if (place.isEmpty())
        return code;
    return code.isEmpty() ? place : code + u' ' + place;
}

QStringList dwellingLines(const Lease& lease)
{
    const Dwelling d = dwellingOf(lease);
    QStringList lines = d.lines;
    if (const QString last = postalTownLine(d.code, d.town); !last.isEmpty())
        lines << last;
    return lines;
}

QString dwellingText(const Lease& lease)
{
    const Dwelling d = dwellingOf(lease);
    QStringList parts = d.lines;
    if (const QString last = QStringList{d.code, d.town}.join(u' ').trimmed(); !last.isEmpty())
        parts << last;
    return parts.join(QStringLiteral(", "));
}

QStringList postalBlock(const QString& name, const Lease& lease)
{
    const Dwelling d = dwellingOf(lease);
    const QString last = postalTownLine(d.code, d.town);
    const int room = kPostalLines - (last.isEmpty() ? 0 : 1);
    QStringList names = wrapped(name.simplified(), kPostalLineWidth);
    QStringList street = wrappedAll(d.lines);
    if (names.size() + street.size() > room)
        street = wrapped(d.lines.join(QStringLiteral(", ")), kPostalLineWidth);
    if (names.size() + street.size() > room && names.size() > 1) {
        names = names.mid(0, 1);
        names.first() = names.first().left(kPostalLineWidth - 1) + u'…';
    }
    if (const qsizetype keep = room - names.size(); street.size() > keep) {
        street = street.mid(0, keep);
        if (!street.isEmpty())
            street.last() = street.last().left(kPostalLineWidth - 1) + u'…';
    }
    QStringList block = names + street;
    if (!last.isEmpty())
        block << last;
    return block;
}

} // namespace velmaris
