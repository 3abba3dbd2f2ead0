// SPDX-License-Identifier: GPL-3.0-or-later
#include "entry_points.h"

#include "amounts.h"
#include "dates.h"
#include "gridline.h"
#include "indexfile.h"
#include "inseecsv.h"
#include "inseesdmx.h"
#include "lease.h"
#include "leasecsv.h"
#include "leasedate.h"
#include "numbers.h"
#include "profile.h"
#include "rententry.h"
#include "revision.h"
#include "sdmxmerge.h"
#include "updaterules.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace velmaris::fuzz {

namespace {

const QLocale& french()
{
    static const QLocale locale(QLocale::French, QLocale::France);
    return locale;
}

// A short table across the change of series in 2005, the way the shipped file
// writes it: IRL alone above the second quarter of 2005, ICC and IRL from it on.
IndexTable smallTable()
{
    static const QByteArray text = "' petit fichier\r\n"
                                   "42006\t108.13\t12/01/2007\r\n"
                                   "32006\t107.69\t13/10/2006\r\n"
                                   "22006\t107.07\t13/07/2006\r\n"
                                   "12006\t106.62\t13/04/2006\r\n"
                                   "42005\t110.68\t12/01/2006\r\n"
                                   "32005\t110.36\t12/10/2005\r\n"
                                   "22005\t1276\t12/10/2005\t110.08\r\n"
                                   "12005\t1270\t08/07/2005\r\n"
                                   "42004\t1269\t12/04/2005\r\n"
                                   "32004\t1272\t11/01/2005\r\n"
                                   "22004\t1225\t12/10/2004\r\n"
                                   "12004\t1209\t12/07/2004\r\n";
    IndexTable table;
    installRows(table, parseIndexFile(text).rows, QDateTime());
    return table;
}

bool closeTo(double a, double b, double relative, double absolute = 0)
{
    return std::fabs(a - b) <= absolute + relative * std::max(std::fabs(a), std::fabs(b));
}

// After a revision from row r: one entry a quarter from the newest down to r,
// the reference rent at r, a positive amount at every anniversary, and a stop
// that says why.
bool revisionHolds(const IndexTable& table, int r, const Schedule& schedule)
{
    if (int(schedule.entries.size()) != r + 1)
        return false;
    for (int k = 0; k <= r; ++k)
        if (schedule.entries[std::size_t(k)].quarter != table.rows[std::size_t(k)].quarter)
            return false;
    const ScheduleEntry& reference = schedule.entries[std::size_t(r)];
    if (reference.kind != ScheduleEntry::Kind::Reference || reference.cents != 85000)
        return false;
    if (r >= 4 && !schedule.find(table.rows[std::size_t(r)].quarter.plus(4)))
        return false;
    for (const ScheduleEntry& e : schedule.entries)
        if (e.kind == ScheduleEntry::Kind::Revised && (e.cents <= 0 || e.baseIndex.units() <= 0))
            return false;
    return schedule.ok() || !schedule.message.isEmpty();
}

bool reviseFrom(const IndexTable& table, int r, const std::optional<QDate>& lease, bool reeval)
{
    RevisionRequest request;
    request.reference = table.rows[std::size_t(r)].quarter;
    request.cents = 85000;
    request.leaseDate = lease;
    request.reeval = reeval;
    return revisionHolds(table, r, reviseRents(table, request));
}

bool sameRows(const std::vector<IndexRow>& a, const std::vector<IndexRow>& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].quarter != b[i].quarter || a[i].icc != b[i].icc || a[i].published != b[i].published
            || a[i].irl != b[i].irl || a[i].irlCorse != b[i].irlCorse
            || a[i].irlOutreMer != b[i].irlOutreMer || a[i].average != b[i].average)
            return false;
    }
    return true;
}

// What every table that was read must be: consecutive quarters newest first,
// dates that never increase, values that are positive where they exist, and
// an average only over four ICC values.
bool wellFormed(const std::vector<IndexRow>& rows)
{
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const IndexRow& row = rows[i];
        if (!row.quarter.isValid() || !row.published.isValid()
            || row.published <= row.quarter.lastDay())
            return false;
        if (i > 0
            && (row.quarter != rows[i - 1].quarter.previous()
                || row.published > rows[i - 1].published))
            return false;
        for (double v : {double(row.icc), row.irl, row.irlCorse, row.irlOutreMer, row.average})
            if (!std::isfinite(v) || v < 0)
                return false;
        if (row.average != 0) {
            if (i + 3 >= rows.size())
                return false;
            for (std::size_t k = i; k < i + 4; ++k)
                if (rows[k].icc == 0)
                    return false;
        }
    }
    return true;
}

// Blanks the settings reader strips around a value.
QString blankTrimmed(QString text)
{
    while (!text.isEmpty() && (text.front() == u' ' || text.front() == u'\t'))
        text.remove(0, 1);
    while (!text.isEmpty() && (text.back() == u' ' || text.back() == u'\t'))
        text.chop(1);
    return text;
}

// A section or key name that a person would write: the round trip is promised
// only for those.
bool plainName(const QString& name)
{
    if (name != blankTrimmed(name) || name.startsWith(u'[') || name.startsWith(u';'))
        return false;
    for (QChar c : name)
        if (c == u'=' || c == u'\r' || c == u'\n' || c == u']' || c.isSurrogate()
            || c == QChar::ReplacementCharacter || c.unicode() < 0x20
            || c == QChar::ByteOrderMark) // UTF-8 decoding drops it at the start of a name
            return false;
    return true;
}

} // namespace

bool indexFile(const QByteArray& data)
{
    IndexFileResult result = parseIndexFile(data);
    const int lines = int(data.count('\n') + data.count('\r')) + 1;
    if (!result.ok())
        return result.rows.empty() && result.badLine >= 0 && result.badLine <= lines
               && !result.reason.isEmpty();
    if (result.badLine != 0 || int(result.rows.size()) > kMaxRows || !wellFormed(result.rows))
        return false;
    if (result.rows.empty())
        return true;

    IndexTable table;
    installRows(table, std::move(result.rows), QDateTime());
    const GridView view{std::max(0, table.scrollMaximum()), -1};
    for (int line = 0; line < kGridLines; ++line)
        gridLine(table, view, line, french());

    // The oldest row gives the longest run; the one five rows up crosses a
    // change of series in most files.
    const int last = table.lastRow();
    return reviseFrom(table, last, {}, false)
           && reviseFrom(table, std::max(0, last - 5), QDate(2005, 6, 1), true);
}

bool number(const QByteArray& data)
{
    const QString text = QString::fromUtf8(data);
    bool overflow = false;
    const double value = parseNumber(text, &overflow);
    if (!std::isfinite(value) || (overflow && value != 0))
        return false;
    parseNumber(QString::fromLatin1(data));

    // What the rent box shows reads back as the same number.
    const std::optional<QString> shown = normaliseRentText(text, french());
    if (shown.has_value() == overflow)
        return false;
    if (shown && *shown != formatGeneral(value, french()))
        return false;
    if (std::fabs(value) >= DBL_MIN
        && !closeTo(parseNumber(formatGeneral(value, french())), value, 1e-14))
        return false;

    // A typed amount has at most eleven whole digits, and reads back from the
    // text the register writes for it, grouped or not.
    if (const auto cents = readAmount(text)) {
        constexpr qint64 kElevenDigits = 10'000'000'000'000;
        if (*cents >= kElevenDigits || *cents <= -kElevenDigits)
            return false;
        if (readAmount(amountText(*cents)) != cents
            || readAmount(amountText(*cents, AmountLayout::Plain)) != cents)
            return false;
    }
    parseIndexValue(text);

    // The amount picture, and an amount that reads back within half a cent.
    static const QRegularExpression picture(QStringLiteral("^-?\\d* \\d{1,3},\\d\\d$"));
    const QString amount = amountText(roundToCents(value).value_or(0), AmountLayout::Grid);
    if (!picture.match(amount).hasMatch())
        return false;
    if (!roundToCents(value)) // beyond any amount: shown as zero
        return amount == amountText(0, AmountLayout::Grid);
    return closeTo(parseNumber(amount), value, 1e-14, 0.005 + 1e-9);
}

bool leaseDate(const QByteArray& data)
{
    const QString text = QString::fromUtf8(data);
    const std::optional<QDate> date = parseFrenchDate(text);
    if (date) {
        if (!date->isValid() || parseFrenchDate(formatShortDate(*date, french())) != date)
            return false;
        const QDate next = sameDayNextYear(*date);
        if (!next.isValid() || next <= *date)
            return false;
    }

    const IndexTable table = smallTable();
    const int row = findLeaseRow(table, date.value_or(QDate()));
    if (row >= 0) {
        // The newest quarter published on or before the lease date.
        if (!date || table.rows[row].published > *date)
            return false;
        if (row > 0 && table.rows[row - 1].published <= *date)
            return false;
        if (!reviseFrom(table, row, date, false))
            return false;
    } else if (date && !table.rows.empty() && table.rows.back().published <= *date) {
        return false;
    }
    return reviseFrom(table, table.lastRow(), date, false);
}

bool profile(const QByteArray& data)
{
    QList<QByteArray> parts = data.split('\n');
    while (parts.size() < 4)
        parts.append(QByteArray());
    const QString section = QString::fromUtf8(parts[0]);
    const QString key = QString::fromUtf8(parts[1]);
    const QString value = QString::fromUtf8(parts[2]);
    const QByteArray content = data.mid(parts[0].size() + parts[1].size() + parts[2].size() + 3);

    profileValue(content, section, key);
    const QByteArray written = withProfileValue(content, section, key, value);
    if (!plainName(section) || !plainName(key))
        return true;

    // What was written reads back, and writing it again changes nothing.
    QString expected = value;
    expected.replace(u'\r', u' ');
    if (profileValue(written, section, key) != blankTrimmed(expected))
        return false;
    return withProfileValue(written, section, key, value) == written;
}

bool download(const QByteArray& data)
{
    if (data.size() < 3)
        return true;
    const auto flags = quint8(data[0]);
    DownloadReply reply;
    reply.networkError = flags & 1;
    reply.httpStatus = 100 + (quint8(data[1]) | quint8(data[2]) << 8) % 500;
    reply.body = data.mid(3);
    const IndexTable current = flags & 2 ? smallTable() : IndexTable();

    Quarter::fromKey(QString::fromLatin1(reply.body.left(16)));
    downloadUrl(QString::fromUtf8(reply.body.left(200)));

    DownloadAcceptance acceptance = acceptDownload(reply, current);
    if (!acceptance.accepted())
        return acceptance.rows.empty();
    if (reply.networkError || reply.httpStatus < 200 || reply.httpStatus > 299)
        return false;
    if (acceptance.rows.size() < 4)
        return false;
    if (!current.rows.empty() && acceptance.rows.front().quarter < current.newestQuarter())
        return false;
    // The file written for it reads back as the same table.
    const IndexFileResult again = parseIndexFile(indexFileBytes(reply.body));
    return again.ok() && sameRows(again.rows, acceptance.rows);
}

bool sdmx(const QByteArray& data)
{
    looksLikeXml(data);
    const SdmxReply reply = parseSdmxSeries(data, kIrlIdBank);
    if (!reply.ok())
        return !reply.error.isEmpty();
    if (reply.series.observations.empty())
        return false;
    static const QByteArray file = "' petit fichier\r\n"
                                   "22006\t107.07\t13/07/2006\r\n"
                                   "12006\t106.62\t13/04/2006\r\n"
                                   "42005\t110.68\t12/01/2006\r\n"
                                   "32005\t110.36\t12/10/2005\r\n";
    const IndexFileResult before = parseIndexFile(file);
    const SdmxMerge merge =
        mergeSdmxSeries(file, reply.series, nullptr, nullptr, QDate(2030, 1, 1));
    if (!merge.ok() || merge.upToDate())
        return merge.bytes.isEmpty();
    // The new file reads, holds the old rows unchanged below the new ones.
    const IndexFileResult after = parseIndexFile(merge.bytes);
    if (!after.ok() || after.rows.size() != before.rows.size() + merge.added.size())
        return false;
    const std::vector<IndexRow> older(after.rows.begin() + qsizetype(merge.added.size()),
                                      after.rows.end());
    std::vector<IndexRow> kept = before.rows;
    // The averages of the old rows may change with newer rows above: compare the rest.
    for (std::size_t i = 0; i < kept.size(); ++i)
        kept[i].average = older[i].average;
    return sameRows(older, kept) && merge.bytes.endsWith(file.mid(file.indexOf("22006")));
}

bool inseeCsv(const QByteArray& data)
{
    const InseeFile file = parseInseeCsv(data);
    if (!file.ok())
        return file.series.empty() && !file.error.isEmpty();
    static const QByteArray index = "' petit fichier\r\n"
                                    "' 4\xE8 tr.2023 saisi par l'utilisateur le 20/01/2024\r\n"
                                    "42023\t142.06\t18/01/2024\r\n"
                                    "32023\t141.03\t14/10/2023\t136.98\r\n"
                                    "22023\t140.59\t16/07/2023\r\n"
                                    "12023\t138.61\t16/04/2023\t136.60\t137.27\r\n";
    const std::size_t rows = parseIndexFile(index).rows.size();
    for (const SdmxSeries& s : file.series) {
        if (s.observations.empty())
            return false;
        for (std::size_t i = 1; i < s.observations.size(); ++i)
            if (!(s.observations[i].quarter < s.observations[i - 1].quarter))
                return false;
        for (bool confirm : {false, true}) {
            MergeOptions options;
            options.today = QDate(2030, 1, 1);
            options.confirmCorrections = confirm;
            for (const InseeSeries& as :
                 {InseeSeries{&s, nullptr, nullptr}, InseeSeries{nullptr, &s, nullptr}}) {
                const SdmxMerge merge = mergeInseeSeries(index, as, options);
                if (merge.needsConfirmation && (confirm || merge.ok()))
                    return false;
                if (!merge.ok() || merge.upToDate()) {
                    if (!merge.bytes.isEmpty())
                        return false;
                    continue;
                }
                const IndexFileResult after = parseIndexFile(merge.bytes);
                if (!after.ok() || after.rows.size() != rows + merge.added.size())
                    return false;
            }
        }
    }
    return true;
}

bool leasesCsv(const QByteArray& data)
{
    const CsvImport first = parseLeasesCsv(data);
    if (!first.ok())
        return first.leases.empty();
    if (first.leases.size() != first.lines.size())
        return false;
    const CsvImport again = parseLeasesCsv(leasesToCsv(first.leases));
    if (!again.ok() || again.leases.size() != first.leases.size())
        return false;
    for (std::size_t i = 0; i < first.leases.size(); ++i)
        if (!(again.leases[i] == first.leases[i]))
            return false;
    return true;
}

} // namespace velmaris::fuzz
