// SPDX-License-Identifier: GPL-3.0-or-later
// A desk's own index file merged into the office's figures: its quarters the
// register lacks, and the values the register has not yet.
#include "deskmerge.h"

#include "indexfile.h"
#include "indexlines.h"
#include "provenance.h"
#include "sdmxmerge.h"

#include <map>

namespace velmaris {

namespace {

// Above this quarter a row holds the IRL in column 2; from it down, the ICC.
constexpr Quarter kSwitch(2005, 2);

const QString kSource = QStringLiteral("le fichier des indices d'un poste");

// A value of a record and the column it is written in.
struct Column {
    std::optional<double> IndexLines::Row::*value;
    int index;             // 0-based column
    const char16_t* name;  // "l'IRL de Corse"
    const char16_t* label; // "IRL de Corse", for the header
};

std::vector<Column> columnsOf(Quarter q)
{
    if (q > kSwitch)
        return {{&IndexLines::Row::irl, 1, u"l'IRL", u"IRL"},
                {&IndexLines::Row::corse, 3, u"l'IRL de Corse", u"IRL de Corse"},
                {&IndexLines::Row::outreMer, 4, u"l'IRL d'outre-mer", u"IRL d'outre-mer"}};
    return {{&IndexLines::Row::icc, 1, u"l'ICC", u"ICC"},
            {&IndexLines::Row::irl, 3, u"l'IRL", u"IRL"}};
}

// A column's text in a record that is alone on its line.
QByteArray field(const IndexLines& file, const IndexLines::Row& row, int index)
{
    const QList<QByteArray> fields = file.lines[row.line].text.split('\t');
    return index < fields.size() ? fields[index].trimmed() : QByteArray();
}

// A value as its file writes it, with a decimal comma.
QString valueText(const IndexLines& file, const IndexLines::Row& row, const Column& c)
{
    const QString text = row.alone ? QString::fromLatin1(field(file, row, c.index))
                                   : QString::number(*(row.*c.value), 'g', 15);
    return QString(text).replace(u'.', u',');
}

} // namespace

IndexChange mergeDeskIndex(const QByteArray& office, const QByteArray& desk, const QDate& today)
{
    IndexChange change;
    const auto refuse = [&change](const QString& why) {
        change = IndexChange();
        change.refusal = why;
        return change;
    };
    const IndexFileResult own = parseIndexFile(desk);
    if (!own.ok())
        return refuse(QStringLiteral("le fichier des indices de ce poste ne se lit pas (%1)")
                          .arg(corruptionDetail(own)));
    if (office.isEmpty()) {
        change.bytes = desk;
        return change;
    }
    const IndexFileResult held = parseIndexFile(office);
    if (!held.ok())
        return refuse(QStringLiteral("les indices du registre ne se lisent pas (%1)")
                          .arg(corruptionDetail(held)));
    IndexLines file = scanIndexLines(office);
    const IndexLines mine = scanIndexLines(desk);
    if (!file.error.isEmpty() || !mine.error.isEmpty())
        return refuse(file.error.isEmpty() ? mine.error : file.error);

    const Quarter newest = file.newest(), oldest = file.oldest();
    const std::map<Quarter, QDate> typed = typedQuarters(desk);
    SdmxMerge done; // what the summary says
    std::map<Quarter, QStringList> filled;
    std::vector<QString> marks;
    QByteArray newer, older;
    for (const IndexLines::Row& row : mine.rows) {
        const Quarter q = row.quarter;
        if (q > newest || q < oldest) {
            if (!row.alone)
                return refuse(QStringLiteral("la ligne %1 du fichier des indices de ce poste "
                                             "tient plusieurs enregistrements\u00a0: le %2 ne peut "
                                             "pas en être repris")
                                  .arg(row.line + 1)
                                  .arg(q.label()));
            (q > newest ? newer : older) += mine.lines[row.line].text + file.eol;
            (q > newest ? done.added : done.addedOlder).push_back(q);
            if (const auto t = typed.find(q); t != typed.end())
                marks.push_back(typedMark(q, t->second));
            continue;
        }
        const IndexLines::Row* reg = file.find(q);
        if (!reg)
            continue;
        for (const Column& c : columnsOf(q)) {
            const std::optional<double> ours = row.*c.value, theirs = reg->*c.value;
            if (!ours || (theirs && *theirs == *ours))
                continue;
            if (theirs)
                return refuse(
                    QStringLiteral("%1 du %2 vaut %3 dans le fichier des indices de ce "
                                   "poste et %4 dans le registre\u00a0: une valeur publiée "
                                   "ne change pas")
                        .arg(QString::fromUtf16(c.name), q.label(), valueText(mine, row, c),
                             valueText(file, *reg, c)));
            if (!row.alone || !reg->alone)
                return refuse(
                    QStringLiteral("le %1 ne peut pas être complété\u00a0: sa ligne tient "
                                   "plusieurs enregistrements")
                        .arg(q.label()));
            file.setColumn(reg->line, c.index, field(mine, row, c.index));
            filled[q] << QString::fromUtf16(c.label);
        }
    }
    if (done.added.empty() && done.addedOlder.empty() && filled.empty())
        return change; // the desk holds nothing the office lacks

    for (auto it = filled.rbegin(); it != filled.rend(); ++it) {
        marks.push_back(completedMark(it->first,
                                      it->second.join(QStringLiteral(" et "))
                                          + (it->second.size() > 1 ? QStringLiteral(" complétés")
                                                                   : QStringLiteral(" complété")),
                                      kSource, today));
        done.completed.push_back(it->first);
    }
    file.addHeaderLines(marks);
    change.bytes = file.bytes(newer, older);
    // The reader's own rules decide: no quarter missing, the dates, the 25 % step.
    const IndexFileResult result = parseIndexFile(change.bytes);
    if (!result.ok())
        return refuse(QStringLiteral("les indices du registre complétés par ceux de ce poste ne "
                                     "se lisent pas (%1)")
                          .arg(corruptionDetail(result)));
    if (result.rows.size() != held.rows.size() + done.added.size() + done.addedOlder.size())
        return refuse(QStringLiteral("les indices du registre complétés par ceux de ce poste ne "
                                     "se relisent pas"));
    QString summary = mergeSummary(done);
    summary[0] = summary[0].toLower();
    change.summary =
        QStringLiteral("Le fichier des indices de ce poste complète ceux du registre\u00a0: ")
        + summary;
    return change;
}

} // namespace velmaris
