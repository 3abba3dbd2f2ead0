// SPDX-License-Identifier: GPL-3.0-or-later
#include "inseecsv.h"

#include "dates.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <set>

namespace velmaris {

namespace {

// One line of semicolon-separated fields, quotes removed ("" is a quote).
QStringList fields(QStringView line)
{
    QStringList out;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == u'"' && i + 1 < line.size() && line[i + 1] == u'"')
                field += line[++i];
            else if (c == u'"')
                quoted = false;
            else
                field += c;
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u';') {
            out << field.trimmed();
            field.clear();
        } else {
            field += c;
        }
    }
    out << field.trimmed();
    return out;
}

QString decoded(const QByteArray& bytes)
{
    // INSEE writes UTF-8; an older download or a spreadsheet's copy may be 8-bit.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

bool startsRow(const QStringList& row, QStringView name)
{
    return !row.isEmpty() && row.first().compare(name, Qt::CaseInsensitive) == 0;
}

InseeFile refused(const QString& why)
{
    InseeFile file;
    file.error = why;
    return file;
}

} // namespace

InseeFile parseInseeCsv(const QByteArray& csv)
{
    const QString text = decoded(csv);
    std::vector<QStringList> rows;
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (!line.trimmed().isEmpty())
            rows.push_back(fields(line));
    }
    const auto idRow = std::find_if(rows.begin(), rows.end(),
                                    [](const QStringList& r) { return startsRow(r, u"idBank"); });
    if (idRow == rows.end())
        return refused(QStringLiteral("ce n'est pas un fichier de séries de l'Insee (il n'a pas de "
                                      "ligne « idBank »)"));
    InseeFile file;
    std::vector<int> columns; // the column of each series; the others hold codes
    for (int c = 1; c < idRow->size(); ++c) {
        if (idRow->at(c).isEmpty())
            continue;
        columns.push_back(c);
        file.series.push_back({});
        file.series.back().idBank = idRow->at(c);
    }
    if (columns.empty())
        return refused(QStringLiteral("le fichier de l'Insee ne nomme aucune série"));

    std::vector<std::set<Quarter>> seen(columns.size());
    for (const QStringList& row : rows) {
        if (startsRow(row, u"Dernière mise à jour")) {
            for (std::size_t s = 0; s < columns.size(); ++s)
                if (const auto d = parseFrenchDate(row.value(columns[s]).section(u' ', 0, 0)))
                    file.series[s].lastUpdate = *d;
            continue;
        }
        const auto quarter = Quarter::fromPeriod(row.first());
        if (!quarter) {
            // The header rows; a monthly or yearly period says what the series is not.
            static const QRegularExpression period(QStringLiteral("^\\d{4}(-.*)?$"));
            if (period.match(row.first()).hasMatch())
                return refused(QStringLiteral("la période « %1 » n'est pas un trimestre : ce n'est "
                                              "pas une série trimestrielle")
                                   .arg(row.first()));
            continue;
        }
        for (std::size_t s = 0; s < columns.size(); ++s) {
            const QString value = row.value(columns[s]);
            if (value.isEmpty())
                continue; // not published yet
            const auto number = plainDecimal(value);
            if (!number || !(*number > 0))
                return refused(QStringLiteral("la valeur « %1 » du %2 (série %3) n'est pas un "
                                              "nombre décimal")
                                   .arg(value, quarter->label(), file.series[s].idBank));
            if (!seen[s].insert(*quarter).second)
                return refused(QStringLiteral("le %1 figure deux fois dans la série %2")
                                   .arg(quarter->label(), file.series[s].idBank));
            file.series[s].observations.push_back({*quarter, value, *number});
        }
    }
    for (SdmxSeries& s : file.series) {
        std::sort(s.observations.begin(), s.observations.end(),
                  [](const auto& a, const auto& b) { return a.quarter > b.quarter; });
        if (s.observations.empty())
            return refused(QStringLiteral("la série %1 du fichier de l'Insee n'a aucune valeur")
                               .arg(s.idBank));
    }
    return file;
}

} // namespace velmaris
