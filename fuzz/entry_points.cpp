#include "entry_points.h"

#include "dates.h"
#include "gridline.h"
#include "indexfile.h"
#include "leasedate.h"
#include "numbers.h"
#include "profile.h"
#include "rententry.h"
#include "revision.h"
#include "updaterules.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

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

// After a revision from row r: nothing below r, the reference rent as an
// amount, and a stop that names a row above the reference.
bool revisionHolds(const IndexTable& table, int r, const RevisionResult& result)
{
    for (int k = r + 1; k < int(table.rows.size()); ++k)
        if (!table.rows[k].rent.isEmpty())
            return false;
    if (table.rows[r].rent != formatAmount(850, french()))
        return false;
    if (result.ok())
        return true;
    return result.stoppedRow >= 0 && result.stoppedRow < r
           && result.missingRow == result.stoppedRow + 4 && !result.message.isEmpty();
}

bool reviseFrom(IndexTable table, int r, QStringView leaseText, bool reeval)
{
    table.rows[r].rent = QStringLiteral("850");
    const RevisionResult result = reviseRents(table, r, leaseText, reeval, french());
    return revisionHolds(table, r, result);
}

bool sameRows(const std::vector<IndexRow>& a, const std::vector<IndexRow>& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].label != b[i].label || a[i].icc != b[i].icc || a[i].published != b[i].published)
            return false;
        // NaN compares unequal to itself: the bytes are the same, so are the values.
        if (std::memcmp(&a[i].irl, &b[i].irl, sizeof(double)) != 0
            || std::memcmp(&a[i].average, &b[i].average, sizeof(double)) != 0)
            return false;
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
    if (!result.ok())
        return result.rows.empty() && result.badLine >= 1 && result.badLine <= data.count('\n') + 1;
    if (result.badLine != 0 || int(result.rows.size()) > kMaxRows)
        return false;
    for (const IndexRow& row : result.rows)
        if (!row.published.isValid())
            return false;
    if (result.rows.empty())
        return true;

    IndexTable table;
    installRows(table, std::move(result.rows), QDateTime());
    table.topRow = std::max(0, table.scrollMaximum());
    for (int line = 0; line < kGridLines; ++line)
        gridLine(table, line, french());

    // The oldest row gives the longest run; the one five rows up crosses a
    // change of series in most files.
    const int last = table.lastRow();
    return reviseFrom(table, last, {}, false) && reviseFrom(table, std::max(0, last - 5), {}, true);
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

    // The amount picture, and an amount that reads back within half a cent.
    static const QRegularExpression picture(QStringLiteral("^-?\\d* \\d{1,3},\\d\\d$"));
    const QString amount = formatAmount(value, french());
    if (!picture.match(amount).hasMatch())
        return false;
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
        if (!reviseFrom(table, row, text, false))
            return false;
    } else if (date && !table.rows.empty() && table.rows.back().published <= *date) {
        return false;
    }
    return reviseFrom(table, table.lastRow(), text, false);
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

    quarterRank(QString::fromLatin1(reply.body.left(16)));
    downloadUrl(QString::fromUtf8(reply.body.left(200)));

    DownloadAcceptance acceptance = acceptDownload(reply, current);
    if (!acceptance.accepted())
        return acceptance.rows.empty();
    if (reply.networkError || reply.httpStatus < 200 || reply.httpStatus > 299)
        return false;
    if (acceptance.rows.size() < 4)
        return false;
    if (!current.rows.empty()) {
        const auto held = quarterRank(current.rows.front().label);
        const auto fresh = quarterRank(acceptance.rows.front().label);
        if (held && (!fresh || *fresh < *held))
            return false;
    }
    // The file written for it reads back as the same table.
    const IndexFileResult again = parseIndexFile(indexFileBytes(reply.body));
    return again.ok() && sameRows(again.rows, acceptance.rows);
}

} // namespace velmaris::fuzz
