// SPDX-License-Identifier: GPL-3.0-or-later
#include "csvfields.h"

#include "quoting.h"

#include <algorithm>

namespace velmaris {

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isBlank(QChar c)
{
    return c == u' ' || c == QChar(0xA0) || c == QChar(0x202F);
}

// Whether a field of that layout can hold the character at all.
bool fits(QChar c, CsvLayout layout)
{
    switch (layout) {
    case CsvLayout::Amount:
        return isDigit(c) || isBlank(c) || c == u',' || c == u'.' || c == u'€';
    case CsvLayout::Date:
    case CsvLayout::DayMonth:
        return isDigit(c) || c == u'/' || c == u'-' || c == u'.';
    case CsvLayout::Month:
        return isDigit(c) || isBlank(c) || c == u'/' || c == u'-' || c == u'.' || c.isLetter();
    case CsvLayout::PostalCode:
        return isDigit(c);
    }
    return false;
}

QString expected(CsvLayout layout)
{
    switch (layout) {
    case CsvLayout::Amount:
        return QStringLiteral("un montant comme 850,00 ou 1 234,50 €, les blancs seulement "
                              "entre les milliers");
    case CsvLayout::Date:
        return QStringLiteral("une date jj/mm/aaaa ou jj/mm/aa");
    case CsvLayout::DayMonth:
        return QStringLiteral("un jour et un mois jj/mm, ou une date jj/mm/aa");
    case CsvLayout::Month:
        return QStringLiteral("un mois mm/aaaa, 01/mm/aa ou «\u00a0février 2020\u00a0»");
    case CsvLayout::PostalCode:
        return QStringLiteral("cinq chiffres, de 01000 à 95999 ou 97xxx");
    }
    return {};
}

// How a character is named in a message: an invisible one by its name.
QString named(QChar c)
{
    if (c == QChar(0xA0))
        return QStringLiteral("espace insécable");
    if (c == QChar(0x202F))
        return QStringLiteral("espace fine insécable");
    if (c == u'\t')
        return QStringLiteral("tabulation");
    if (c.isSpace())
        return QStringLiteral("espace");
    return quoted(QString(c));
}

// Why an amount made of the right characters is still none: what the user
// can put right. Empty when nothing more precise can be said.
QString amountReason(const QString& text)
{
    const qsizetype comma = text.lastIndexOf(u',');
    const qsizetype dot = text.lastIndexOf(u'.');
    if (comma >= 0 && dot >= 0)
        return QStringLiteral("un point et une virgule\u00a0: la virgule sépare les centimes, un "
                              "blanc les milliers (1 234,50)");
    const qsizetype decimals = std::max(comma, dot);
    if (decimals >= 0 && text.size() - decimals - 1 > 2)
        return QStringLiteral("plus de deux décimales\u00a0: un montant se compte en centimes");
    if (std::all_of(text.begin(), text.end(),
                    [](QChar c) { return c == u'0' || c == u',' || c == u'.' || isBlank(c); }))
        return QStringLiteral("un montant nul");
    return {};
}

} // namespace

QString csvFieldFault(const QString& invalid, const QString& text, CsvLayout layout)
{
    QString fault = invalid + u' ' + quoted(text);
    const QString trimmed = text.trimmed();
    const auto unfit = std::find_if(trimmed.begin(), trimmed.end(),
                                    [layout](QChar c) { return !fits(c, layout); });
    if (layout == CsvLayout::Amount && trimmed.startsWith(u'-'))
        fault += QStringLiteral("\u00a0: un montant n’est jamais négatif");
    else if (unfit != trimmed.end())
        fault +=
            QStringLiteral("\u00a0: caractère ") + named(*unfit) + QStringLiteral(" inattendu");
    else if (const QString reason = layout == CsvLayout::Amount ? amountReason(trimmed) : QString();
             !reason.isEmpty())
        fault += QStringLiteral("\u00a0: ") + reason;
    return fault + QStringLiteral(" (attendu\u00a0: ") + expected(layout) + u')';
}

QString csvPostalCode(const QString& text)
{
    if (text.size() == 4 && std::all_of(text.begin(), text.end(), isDigit))
        return u'0' + text;
    return text;
}

std::optional<DayMonth> csvDayMonth(QStringView text)
{
    if (const std::optional<DayMonth> dm = parseDayMonth(text))
        return dm;
    if (const std::optional<QDate> date = parseFrenchDate(text))
        return DayMonth{date->day(), date->month()};
    return std::nullopt;
}

} // namespace velmaris
