// SPDX-License-Identifier: GPL-3.0-or-later
#include "chargedcsv.h"

#include "amounts.h"
#include "csvfields.h"
#include "csvtext.h"
#include "dates.h"
#include "leasecsv.h"
#include "quoting.h"

#include <QDir>
#include <QFile>
#include <QHash>

#include <array>
#include <optional>

namespace velmaris {

namespace {

enum Column { Month, Rent, Request, ColumnCount };

constexpr std::array<const char16_t*, ColumnCount> kHeaders = {u"mois", u"loyer", u"date_demande"};

} // namespace

ChargedCsvImport parseChargedRentsCsv(const QByteArray& bytes, const Lease& lease)
{
    ChargedCsvImport result;
    const CsvSheet sheet =
        readCsvSheet(bytes, {std::begin(kHeaders), std::end(kHeaders)}, {Month, Rent});
    result.errors = sheet.errors;
    if (!result.errors.isEmpty())
        return result;

    QHash<QDate, int> seen; // month -> line
    for (std::size_t r = 1; r < sheet.records.size(); ++r) {
        const CsvRecord& record = sheet.records[r];
        bool skip = false;
        if (const QString fault = sheet.shapeFault(record, &skip); skip || !fault.isEmpty()) {
            if (!skip)
                result.errors << fault;
            continue;
        }
        auto field = [&](Column c) { return sheet.field(record, c); };
        QStringList reasons;
        ChargedRent period;
        if (const QString t = field(Month); t.isEmpty())
            reasons << QStringLiteral("mois manquant");
        else if (const std::optional<QDate> m = parseMonth(t))
            period.month = *m;
        else
            reasons << csvFieldFault(QStringLiteral("mois invalide"), t, CsvLayout::Month);
        bool rentSaid = true; // a fault of the rent already given
        if (const QString t = field(Rent); t.isEmpty())
            reasons << QStringLiteral("loyer manquant");
        else if (const std::optional<qint64> c = readAmount(t); c && *c > 0)
            period.rentCents = *c, rentSaid = false;
        else
            reasons << csvFieldFault(QStringLiteral("loyer invalide"), t, CsvLayout::Amount);
        if (const QString t = field(Request); !t.isEmpty()) {
            if (const std::optional<QDate> d = parseFrenchDate(t))
                period.requestDate = *d;
            else
                reasons << csvFieldFault(QStringLiteral("date de demande invalide"), t,
                                         CsvLayout::Date);
        }
        // Every fault of the line at once, none said twice.
        for (const QString& problem : validateChargedRent(period, lease)) {
            if (!(problem == u"mois invalide" && !period.month.isValid())
                && !(problem == u"loyer manquant" && rentSaid))
                reasons << problem;
        }
        if (period.month.isValid()) {
            const auto it = seen.constFind(period.month);
            if (it != seen.constEnd())
                reasons << QStringLiteral("mois ") + monthText(period.month)
                               + QStringLiteral(" en double (ligne %1)").arg(it.value());
            else
                seen.insert(period.month, record.line);
        }
        for (const QString& reason : reasons)
            result.errors << csvLineError(record.line, reason);
        if (reasons.isEmpty())
            result.periods.push_back(period);
    }
    if (!result.errors.isEmpty())
        result.periods.clear();
    else if (result.periods.empty())
        result.errors << QStringLiteral("aucun loyer dans le fichier");
    sortChargedRents(result.periods);
    return result;
}

ChargedCsvImport readChargedRentsCsv(const QString& path, const Lease& lease)
{
    ChargedCsvImport result;
    QString unread;
    const std::optional<QByteArray> bytes = readCsvFile(path, &unread);
    if (!bytes) {
        result.errors << unread;
        return result;
    }
    return parseChargedRentsCsv(*bytes, lease);
}

QByteArray chargedRentsToCsv(const std::vector<ChargedRent>& periods)
{
    QString text;
    text += QChar(0xFEFF); // spreadsheets read the file as UTF-8 only with it
    text += QStringLiteral("mois;loyer;date_demande\r\n");
    for (const ChargedRent& p : periods) {
        text += csvField(monthText(p.month)) + u';'
                + csvField(amountText(p.rentCents, AmountLayout::Plain)) + u';'
                + csvField(dateText(p.requestDate)) + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

} // namespace velmaris
