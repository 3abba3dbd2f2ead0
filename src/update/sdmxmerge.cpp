// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdmxmerge.h"

#include "dates.h"
#include "indexfile.h"
#include "indexlines.h"
#include "indexseries.h"
#include "provenance.h"
#include "staleness.h"

#include <algorithm>
#include <map>
#include <optional>

namespace velmaris {

namespace {

// Above this quarter a row holds the IRL in column 2; from it down, the ICC.
constexpr Quarter kSwitch(2005, 2);
// The ICC's first quarter, its base 100.
constexpr Quarter kFirstIcc(1953, 4);

// When INSEE usually published a quarter: the IRL's calendar above kSwitch,
// the ICC's (the 10th of the month after the next quarter ended) from it down.
QDate releaseOf(Quarter q)
{
    if (q > kSwitch)
        return usualRelease(q);
    const QDate first = q.next().next().firstDay();
    return QDate(first.year(), first.month(), 10);
}

// One column of the file and the series that fills it.
struct Column {
    const SdmxSeries* series;
    std::optional<double> IndexLines::Row::*value;
    int index;         // 0-based column of an IRL row
    Quarter firstOwn;  // the oldest quarter whose value the series may fill in
    QString name;      // "l'IRL de Corse"
    QString shortName; // "IRL de Corse", for the header
};

QString decimalText(double value)
{
    return QString::number(value, 'f', 2).replace(u'.', u',');
}

QString fileText(double value)
{
    return QString::number(value, 'f', 2);
}

// What comparing the series with the rows the file holds found.
struct Comparison {
    QString error;
    std::map<Quarter, QStringList> completed; // the quarter, what was filled in
    std::map<Quarter, QStringList> typedAnew; // a typed quarter, what INSEE gave otherwise
    std::vector<Quarter> checked;             // typed quarters INSEE gave values for
    std::vector<std::pair<std::size_t, std::pair<int, QByteArray>>> corrections; // line, column
};

Comparison compareKnown(IndexLines& file, const std::vector<Column>& columns,
                        const std::map<Quarter, QDate>& typed, SdmxMerge& merge)
{
    Comparison c;
    const Quarter newest = file.newest();
    for (const Column& col : columns) {
        for (const SdmxObservation& o : col.series->observations) {
            // The ICC has no column above kSwitch: there the 2nd one is the IRL's.
            if (col.value == &IndexLines::Row::icc && o.quarter > kSwitch)
                continue;
            const IndexLines::Row* row = o.quarter <= newest ? file.find(o.quarter) : nullptr;
            if (!row)
                continue;
            const std::optional<double> held = row->*col.value;
            const bool isTyped = typed.count(o.quarter) > 0;
            if (isTyped
                && std::find(c.checked.begin(), c.checked.end(), o.quarter) == c.checked.end())
                c.checked.push_back(o.quarter);
            if (held && *held == o.value)
                continue;
            if (held && !isTyped) {
                c.error =
                    QStringLiteral("%1 du %2 vaut %3 selon l'Insee et %4 dans le fichier des "
                                   "indices : une valeur publiée ne change pas")
                        .arg(col.name, o.quarter.label(), decimalText(o.value), decimalText(*held));
                return c;
            }
            if (!held && o.quarter < col.firstOwn)
                continue; // a shared quarter: the mainland value stands for it
            if (!row->alone) {
                c.error = QStringLiteral("la ligne %1 du fichier des indices tient plusieurs "
                                         "enregistrements : le %2 ne peut pas y être complété")
                              .arg(row->line + 1)
                              .arg(o.quarter.label());
                return c;
            }
            if (held) {
                merge.corrections.push_back(
                    {o.quarter, col.name, fileText(*held), o.text.trimmed(), typed.at(o.quarter)});
                c.typedAnew[o.quarter] << col.shortName + u' ' + fileText(*held);
                c.corrections.push_back({row->line, {col.index, o.text.trimmed().toLatin1()}});
            } else {
                file.setColumn(row->line, col.index, o.text.trimmed().toLatin1());
                c.completed[o.quarter] << col.shortName;
                merge.completed.push_back(o.quarter);
            }
        }
    }
    std::sort(merge.completed.begin(), merge.completed.end(), std::greater<>());
    merge.completed.erase(std::unique(merge.completed.begin(), merge.completed.end()),
                          merge.completed.end());
    return c;
}

// The rows of the IRL series newer than the file, as lines of the file.
QString newRows(const IndexLines& file, const InseeSeries& series,
                const std::vector<Column>& columns, const QDate& today, QByteArray& rows,
                SdmxMerge& merge)
{
    std::vector<const SdmxObservation*> fresh;
    const Quarter newest = file.newest();
    for (const SdmxObservation& o : series.irl->observations)
        if (o.quarter > newest)
            fresh.push_back(&o);
    std::sort(fresh.begin(), fresh.end(),
              [](const auto* a, const auto* b) { return a->quarter > b->quarter; });
    if (fresh.empty())
        return {};
    for (std::size_t i = 0; i < fresh.size(); ++i) {
        const Quarter expected = newest.plus(int(fresh.size() - i));
        if (fresh[i]->quarter != expected)
            return QStringLiteral("il manque le %1 dans la série de l'Insee").arg(expected.label());
    }
    const Quarter latest = fresh.front()->quarter;
    if (today <= latest.lastDay())
        return QStringLiteral("la série de l'Insee donne le %1, qui n'est pas encore terminé "
                              "(vérifiez la date de l'ordinateur)")
            .arg(latest.label());
    if (newest < kSwitch)
        return QStringLiteral("le fichier des indices s'arrête avant le %1 : la série de "
                              "l'IRL ne peut pas le compléter")
            .arg(kSwitch.next().label());

    // LAST_UPDATE dates the newest quarter only when it can be its release:
    // after the quarter ended, before the next one would have come out.
    const QDate lastUpdate = series.irl->lastUpdate;
    const bool released = lastUpdate.isValid() && lastUpdate > latest.lastDay()
                          && lastUpdate < usualRelease(latest.next());
    for (const SdmxObservation* o : fresh) {
        QDate published = lastUpdate;
        if (o->quarter != latest || !released) {
            published = usualRelease(o->quarter);
            merge.estimated.push_back(o->quarter);
        }
        QString line = o->quarter.key() + u'\t' + o->text + u'\t' + dateText(published);
        const SdmxObservation* regional[2] = {};
        for (int k = 0; k < 2; ++k) {
            const SdmxSeries* s = columns[std::size_t(k) + 1].series;
            regional[k] = s ? s->find(o->quarter) : nullptr;
            if (s && !regional[k])
                return QStringLiteral("la série de %1 (idBank %2) ne donne pas le %3")
                    .arg(columns[std::size_t(k) + 1].name, s->idBank, o->quarter.label());
        }
        if (regional[0] || regional[1])
            line += u'\t' + (regional[0] ? regional[0]->text : QString());
        if (regional[1])
            line += u'\t' + regional[1]->text;
        rows += latin1Line(line) + file.eol;
        merge.added.push_back(o->quarter);
    }
    return {};
}

// The ICC's quarters older than the file, as lines to put below its oldest
// one: each with the ICC's usual release date, listed as estimated.
QString olderRows(const IndexLines& file, const SdmxSeries& icc, QByteArray& rows, SdmxMerge& merge)
{
    std::vector<const SdmxObservation*> older;
    const Quarter oldest = file.oldest();
    // Above the 2nd quarter 2005 a row is the IRL's: a file that starts there
    // lacks IRL quarters, which the ICC cannot give.
    if (oldest.previous() > kSwitch)
        return {};
    for (const SdmxObservation& o : icc.observations)
        if (o.quarter < oldest && o.quarter >= kFirstIcc)
            older.push_back(&o);
    std::sort(older.begin(), older.end(),
              [](const auto* a, const auto* b) { return a->quarter > b->quarter; });
    for (std::size_t i = 0; i < older.size(); ++i) {
        const Quarter expected = oldest.plus(-int(i + 1));
        if (older[i]->quarter != expected)
            return QStringLiteral("il manque le %1 dans la série de l'ICC de l'Insee")
                .arg(expected.label());
    }
    for (const SdmxObservation* o : older) {
        rows += latin1Line(o->quarter.key() + u'\t' + o->text.trimmed() + u'\t'
                           + dateText(releaseOf(o->quarter)))
                + file.eol;
        merge.addedOlder.push_back(o->quarter);
        merge.estimated.push_back(o->quarter);
    }
    return {};
}

// The header keeps every comment; the list of estimated dates grows at its front.
void listEstimated(IndexLines& file, const std::vector<Quarter>& estimated)
{
    if (estimated.empty())
        return;
    QStringList entries;
    for (Quarter q : estimated)
        entries << q.label() + QStringLiteral(" le ") + dateText(releaseOf(q));
    const QByteArray prefix = latin1Line(kEstimatedDatesComment.toString());
    for (std::size_t i = 0; i < file.firstData; ++i) {
        IndexLines::Line& l = file.lines[i];
        if (!l.text.startsWith(prefix))
            continue;
        const QString before = QString::fromLatin1(l.text.mid(prefix.size())).trimmed();
        if (!before.isEmpty())
            entries << before;
        l.text = prefix + latin1Line(entries.join(QStringLiteral(" ; ")));
        if (l.ending.isEmpty())
            l.ending = file.eol;
        return;
    }
    file.addHeaderLines({kEstimatedDatesComment.toString() + entries.join(QStringLiteral(" ; "))});
}

// A typed row that INSEE gave values for is INSEE's from now on.
void markChecked(IndexLines& file, const Comparison& c, const std::map<Quarter, QDate>& typed,
                 const MergeOptions& options)
{
    for (Quarter q : c.checked) {
        const QDate on = typed.at(q);
        const QByteArray mark = latin1Line(typedMark(q, on));
        const auto found = c.typedAnew.find(q);
        const QString values =
            found == c.typedAnew.end() ? QString() : found->second.join(QStringLiteral(" ; "));
        for (IndexLines::Line& l : file.lines)
            if (l.text.trimmed() == mark)
                l.text = latin1Line(checkedMark(q, on, options.today, options.source, values));
    }
}

// The header says which values were filled in, from where and when.
void markCompleted(IndexLines& file, const Comparison& c, const MergeOptions& options)
{
    std::vector<QString> marks;
    for (auto it = c.completed.rbegin(); it != c.completed.rend(); ++it)
        marks.push_back(completedMark(it->first,
                                      it->second.join(QStringLiteral(" et "))
                                          + (it->second.size() > 1 ? QStringLiteral(" complétés")
                                                                   : QStringLiteral(" complété")),
                                      options.source, options.today));
    file.addHeaderLines(marks);
}

} // namespace

SdmxMerge mergeInseeSeries(const QByteArray& indexFile, const InseeSeries& series,
                           const MergeOptions& options)
{
    SdmxMerge merge;
    auto refuse = [&](const QString& why) {
        merge.error = why;
        merge.bytes.clear(); // nothing of a refused merge may reach the disk
        merge.added.clear();
        merge.addedOlder.clear();
        merge.estimated.clear();
        merge.completed.clear();
        return merge;
    };

    const IndexFileResult current = parseIndexFile(indexFile);
    if (!current.ok())
        return refuse(QStringLiteral("le fichier des indices actuel est illisible (%1) : "
                                     "la série de l'Insee ne peut que compléter un fichier valide")
                          .arg(corruptionDetail(current)));
    IndexLines file = scanIndexLines(indexFile);
    if (!file.error.isEmpty())
        return refuse(file.error);
    if (file.rows.empty())
        return refuse(QStringLiteral("le fichier des indices actuel ne contient aucun trimestre : "
                                     "la série de l'Insee ne peut que le compléter"));

    const std::vector<Column> all = {
        {series.irl, &IndexLines::Row::irl, 1, kSwitch.next(), QStringLiteral("l'IRL"),
         QStringLiteral("IRL")},
        {series.corse, &IndexLines::Row::corse, 3, kLastSharedIrlQuarter.next(),
         QStringLiteral("l'IRL de Corse"), QStringLiteral("IRL de Corse")},
        {series.outreMer, &IndexLines::Row::outreMer, 4, kLastSharedIrlQuarter.next(),
         QStringLiteral("l'IRL d'outre-mer"), QStringLiteral("IRL d'outre-mer")},
        {series.icc, &IndexLines::Row::icc, 1, kFirstIcc, QStringLiteral("l'ICC"),
         QStringLiteral("ICC")},
    };
    std::vector<Column> given;
    std::copy_if(all.begin(), all.end(), std::back_inserter(given),
                 [](const Column& c) { return c.series != nullptr; });

    const std::map<Quarter, QDate> typed = typedQuarters(indexFile);
    const Comparison compared = compareKnown(file, given, typed, merge);
    if (!compared.error.isEmpty())
        return refuse(compared.error);
    if (!merge.corrections.empty() && !options.confirmCorrections) {
        QStringList named;
        for (const Correction& c : merge.corrections)
            named << c.text();
        merge.needsConfirmation = true;
        return refuse(QStringLiteral("l'Insee donne d'autres valeurs que celles saisies à la "
                                     "main (%1) : elles ne remplacent la saisie que si vous le "
                                     "confirmez")
                          .arg(named.join(QStringLiteral(" ; "))));
    }
    for (const auto& [line, change] : compared.corrections)
        file.setColumn(line, change.first, change.second);

    QByteArray rows;
    if (series.irl) {
        const QString error = newRows(file, series, all, options.today, rows, merge);
        if (!error.isEmpty())
            return refuse(error);
    }
    QByteArray older;
    if (series.icc) {
        const QString error = olderRows(file, *series.icc, older, merge);
        if (!error.isEmpty())
            return refuse(error);
    }
    if (merge.added.empty() && merge.addedOlder.empty() && merge.completed.empty()
        && compared.checked.empty())
        return merge; // nothing to write

    markChecked(file, compared, typed, options);
    listEstimated(file, merge.estimated);
    markCompleted(file, compared, options);
    merge.bytes = file.bytes(rows, older);

    // What is written must read as the program reads its file.
    const IndexFileResult result = parseIndexFile(merge.bytes);
    if (!result.ok()
        || result.rows.size() != current.rows.size() + merge.added.size() + merge.addedOlder.size())
        return refuse(QStringLiteral("le fichier complété ne se relit pas (%1)")
                          .arg(corruptionDetail(result)));
    return merge;
}

SdmxMerge mergeSdmxSeries(const QByteArray& indexFile, const SdmxSeries& irl,
                          const SdmxSeries* corse, const SdmxSeries* outreMer, const QDate& today)
{
    MergeOptions options;
    options.today = today;
    return mergeInseeSeries(indexFile, {&irl, corse, outreMer}, options);
}

} // namespace velmaris
