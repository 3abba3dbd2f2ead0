// SPDX-License-Identifier: GPL-3.0-or-later
// What a merge of INSEE's series says to the user: the corrections it asks
// about, and the one sentence of what it did.
#include "sdmxmerge.h"

#include "dates.h"

#include <algorithm>

namespace velmaris {

QString Correction::text() const
{
    return QStringLiteral("%1 du %2 : %3 saisi le %4 ; %5 selon l'Insee")
        .arg(series, quarter.label(), QString(typed).replace(u'.', u','), dateText(typedOn),
             QString(insee).replace(u'.', u','));
}

QString correctionQuestion(const SdmxMerge& merge)
{
    QStringList lines;
    for (const Correction& c : merge.corrections)
        lines << QStringLiteral("• ") + c.text();
    return QStringLiteral("L'Insee donne une autre valeur que celle saisie à la main :\n\n%1\n\n"
                          "Remplacer la valeur saisie par celle de l'Insee ?")
        .arg(lines.join(u'\n'));
}

namespace {

QString quarterList(const std::vector<Quarter>& quarters)
{
    QStringList labels;
    for (Quarter q : quarters)
        labels << QStringLiteral("le ") + q.label();
    return labels.join(QStringLiteral(" et "));
}

} // namespace

QString mergeSummary(const SdmxMerge& merge)
{
    QStringList parts;
    if (!merge.added.empty())
        parts << QStringLiteral("Indices mis à jour jusqu'au %1 (%2)")
                     .arg(merge.added.front().label(),
                          merge.added.size() == 1
                              ? QStringLiteral("1 trimestre ajouté")
                              : QStringLiteral("%1 trimestres ajoutés").arg(merge.added.size()));
    if (!merge.addedOlder.empty())
        parts
            << QStringLiteral("ICC complété en arrière jusqu'au %1 (%2)")
                   .arg(merge.addedOlder.back().label(),
                        merge.addedOlder.size() == 1
                            ? QStringLiteral("1 trimestre ajouté")
                            : QStringLiteral("%1 trimestres ajoutés").arg(merge.addedOlder.size()));
    if (!merge.completed.empty())
        parts << QStringLiteral("valeurs manquantes complétées pour ")
                     + quarterList(merge.completed);
    if (!merge.corrections.empty()) {
        std::vector<Quarter> corrected;
        for (const Correction& c : merge.corrections)
            if (std::find(corrected.begin(), corrected.end(), c.quarter) == corrected.end())
                corrected.push_back(c.quarter);
        parts << QStringLiteral("valeurs saisies remplacées par celles de l'Insee pour ")
                     + quarterList(corrected);
    }
    if (parts.isEmpty())
        return QStringLiteral("Les valeurs saisies à la main sont confirmées par l'Insee.");
    QString text = parts.join(QStringLiteral(" ; ")) + u'.';
    text[0] = text[0].toUpper();
    return text;
}

} // namespace velmaris
