// SPDX-License-Identifier: GPL-3.0-or-later
#include "typedindex.h"

#include "dates.h"
#include "indexfile.h"
#include "indexfiletarget.h"
#include "indexlines.h"
#include "indextable.h"
#include "indexvalue.h"
#include "numbers.h"
#include "provenance.h"
#include "typography.h"

namespace velmaris {

namespace {

// A typed value as the file writes it: the user's digits, a point for a comma.
std::optional<QString> valueText(const QString& typed, const QString& what, QString& error)
{
    const QString text = typed.trimmed();
    if (text.isEmpty()) {
        error = QStringLiteral("%1 manque").arg(what);
        return std::nullopt;
    }
    const std::optional<double> value = parseIndexValue(text);
    if (!value || !(*value > 0)) {
        error = QStringLiteral("%1 « %2 » n'est pas un indice (des chiffres, avec au plus une "
                               "virgule)")
                    .arg(what, text);
        return std::nullopt;
    }
    if (indexDecimals(text) > IndexValue::kDecimals) {
        error = QStringLiteral("%1 « %2 » a plus de %3 décimales")
                    .arg(what, text)
                    .arg(IndexValue::kDecimals);
        return std::nullopt;
    }
    return QString(text).replace(u',', u'.');
}

// The row of the file for what was typed: the values read as index values,
// the date as a date of the past.
std::optional<QString> rowLine(const TypedIndex& entry, const QDate& today, QString& error)
{
    QString line = entry.quarter.key();
    const auto irl = valueText(entry.irl, QStringLiteral("l'IRL"), error);
    if (!irl)
        return std::nullopt;
    if (entry.published.trimmed().isEmpty()) {
        error = QStringLiteral("la date de parution manque (jj/mm/aaaa)");
        return std::nullopt;
    }
    const std::optional<QDate> published = parseFrenchDate(entry.published);
    if (!published) {
        error = QStringLiteral("la date de parution « %1 » n'est pas une date (jj/mm/aaaa)")
                    .arg(entry.published.trimmed());
        return std::nullopt;
    }
    if (*published > today) {
        error = QStringLiteral("la date de parution %1 est à venir : on ne saisit qu'un "
                               "indice déjà paru")
                    .arg(dateText(*published));
        return std::nullopt;
    }
    line += u'\t' + *irl + u'\t' + dateText(*published);
    QStringList regional;
    for (const auto& [typed, what] :
         {std::pair{entry.corse, QStringLiteral("l'IRL de Corse")},
          std::pair{entry.outreMer, QStringLiteral("l'IRL d'outre-mer")}}) {
        if (typed.trimmed().isEmpty()) {
            regional << QString();
            continue;
        }
        const auto text = valueText(typed, what, error);
        if (!text)
            return std::nullopt;
        regional << *text;
    }
    if (!regional.join(QString()).isEmpty())
        line += u'\t' + regional.join(u'\t');
    while (line.endsWith(u'\t'))
        line.chop(1);

    return line;
}

// A regional value the file lacks for a quarter it holds, typed now: the
// row's other values stay as they are; a value already there is refused.
TypedIndexResult fillRegional(const QByteArray& indexFile, const IndexFileResult& current,
                              const TypedIndex& entry, const QDate& today)
{
    TypedIndexResult result;
    IndexLines file = scanIndexLines(indexFile);
    const IndexLines::Row* row = file.find(entry.quarter);
    if (!row || !row->alone) {
        result.error = QStringLiteral("le %1 n'est pas une ligne à part du fichier des indices : "
                                      "il ne se complète pas ici")
                           .arg(entry.quarter.label());
        return result;
    }
    struct Regional {
        const QString& typed;
        const std::optional<double>& there;
        int column;
        QString what;
    };
    const Regional regional[] = {
        {entry.corse, row->corse, 3, QStringLiteral("l'IRL de Corse")},
        {entry.outreMer, row->outreMer, 4, QStringLiteral("l'IRL d'outre-mer")},
    };
    bool typed = false;
    for (const Regional& r : regional) {
        if (r.typed.trimmed().isEmpty())
            continue;
        typed = true;
        if (r.there) {
            result.error = QStringLiteral("%1 du %2 est déjà dans le fichier des indices (%3) : "
                                          "une valeur publiée ne se remplace pas à la main")
                               .arg(r.what, entry.quarter.label(), indexText(*r.there));
            return result;
        }
        const auto text = valueText(r.typed, r.what, result.error);
        if (!text)
            return result;
        file.setColumn(row->line, r.column, latin1Line(*text));
    }
    if (!typed) {
        result.error = QStringLiteral("le %1 est déjà dans le fichier des indices ; seule une "
                                      "valeur régionale qu'il n'a pas encore s'y complète "
                                      "(IRL de Corse ou d'outre-mer)")
                           .arg(entry.quarter.label());
        return result;
    }
    file.addHeaderLines({typedMark(entry.quarter, today)});
    const QByteArray bytes = file.bytes();
    // The reader's own rules decide, the 25 % step with the quarter before too.
    const IndexFileResult read = parseIndexFile(bytes);
    if (!read.ok()) {
        result.error = read.reason;
        return result;
    }
    if (read.rows.size() != current.rows.size()) {
        result.error = QStringLiteral("le fichier complété ne se relit pas");
        return result;
    }
    result.bytes = bytes;
    return result;
}

} // namespace

Quarter nextQuarterToType(const QByteArray& indexFile)
{
    const IndexFileResult current = parseIndexFile(indexFile);
    if (!current.ok() || current.rows.empty())
        return {};
    return newestQuarter(current.rows).next();
}

TypedIndexResult addTypedIndex(const QByteArray& indexFile, const TypedIndex& entry,
                               const QDate& today)
{
    TypedIndexResult result;
    const IndexFileResult current = parseIndexFile(indexFile);
    if (!current.ok()) {
        result.error = QStringLiteral("le fichier des indices est illisible (%1)")
                           .arg(corruptionDetail(current));
        return result;
    }
    if (current.rows.empty()) {
        result.error = QStringLiteral("le fichier des indices ne contient aucun trimestre");
        return result;
    }
    const Quarter newest = newestQuarter(current.rows);
    // A quarter the file holds: only its missing regional values are typed.
    if (entry.quarter <= newest && entry.irl.trimmed().isEmpty())
        return fillRegional(indexFile, current, entry, today);
    if (entry.quarter != newest.next()) {
        result.error = entry.quarter <= newest
                           ? QStringLiteral("le %1 est déjà dans le fichier des indices ; le "
                                            "prochain à saisir est le %2")
                                 .arg(entry.quarter.label(), newest.next().label())
                           : QStringLiteral("le prochain trimestre à saisir est le %1 : le fichier "
                                            "des indices va jusqu'au %2")
                                 .arg(newest.next().label(), newest.label());
        return result;
    }

    const std::optional<QString> line = rowLine(entry, today, result.error);
    if (!line)
        return result;

    IndexLines file = scanIndexLines(indexFile);
    file.addHeaderLines({typedMark(entry.quarter, today)});
    const QByteArray bytes = file.bytes(latin1Line(*line) + file.eol);
    // The reader's own rules decide: the order, the dates, the 25 % step.
    const IndexFileResult read = parseIndexFile(bytes);
    if (!read.ok()) {
        result.error = read.reason;
        return result;
    }
    if (read.rows.size() != current.rows.size() + 1 || newestQuarter(read.rows) != entry.quarter) {
        result.error = QStringLiteral("le fichier complété ne se relit pas");
        return result;
    }
    result.bytes = bytes;
    return result;
}

QString saveTypedIndex(const QString& path, const TypedIndex& entry, const QDate& today)
{
    return saveTypedIndex(indexFileTarget(path), entry, today);
}

QString saveTypedIndex(const IndexTarget& target, const TypedIndex& entry, const QDate& today)
{
    return target.write(
        [&](const QByteArray& current) {
            const TypedIndexResult added = addTypedIndex(current, entry, today);
            IndexChange change;
            change.bytes = added.bytes;
            change.refusal = added.error;
            return change;
        },
        nullptr);
}

QString typedIndexRefusal(const QString& error)
{
    return QStringLiteral("Indice refusé\u00a0: ") + endOfSentence(error);
}

} // namespace velmaris
