#include "sdmxmerge.h"

#include "dates.h"
#include "indexfile.h"

#include <algorithm>
#include <optional>

namespace velmaris {

namespace {

// Above this quarter a row holds the IRL in column 2; from it down, the ICC.
constexpr Quarter kSwitch(2005, 2);

struct Line {
    QByteArray text; // without its line ending
    QByteArray ending;
};

struct FileRow {
    Quarter quarter;
    int line = 0; // 1-based
    std::optional<double> irl, corse, outreMer;
};

struct ScannedFile {
    std::vector<Line> lines;
    std::size_t firstData = 0; // the first line holding a record; lines.size() when none
    QByteArray eol = "\r\n";
    std::vector<FileRow> rows;
    QString error;

    const FileRow* find(Quarter q) const
    {
        for (const FileRow& row : rows)
            if (row.quarter == q)
                return &row;
        return nullptr;
    }
};

std::vector<Line> splitLines(const QByteArray& bytes)
{
    std::vector<Line> lines;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', pos);
        Line line;
        if (end < 0) {
            line.text = bytes.mid(pos);
            pos = bytes.size();
        } else {
            line.text = bytes.mid(pos, end - pos);
            line.ending = "\n";
            pos = end + 1;
        }
        if (line.text.endsWith('\r')) {
            line.text.chop(1);
            line.ending.prepend('\r');
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

// The value of one column, when the record has it: empty or 0 is none,
// anything else must read as a plain decimal.
bool column(const QList<QStringView>& fields, qsizetype i, std::optional<double>& value)
{
    if (i >= fields.size() || fields[i].trimmed().isEmpty())
        return true;
    const auto read = plainDecimal(fields[i]);
    if (!read)
        return false;
    if (*read != 0)
        value = *read;
    return true;
}

ScannedFile scan(const QByteArray& bytes)
{
    ScannedFile file;
    file.lines = splitLines(bytes);
    file.firstData = file.lines.size();
    for (const Line& line : file.lines) {
        if (!line.ending.isEmpty()) {
            file.eol = line.ending;
            break;
        }
    }
    for (std::size_t i = 0; i < file.lines.size() && file.error.isEmpty(); ++i) {
        const QString text = QString::fromLatin1(file.lines[i].text);
        // A comma ends a record, even inside a comment.
        for (QStringView record : QStringView(text).split(u',')) {
            while (!record.isEmpty() && record.front() == u' ')
                record = record.sliced(1);
            if (record.isEmpty() || record.front() == u'\'')
                continue;
            file.firstData = std::min(file.firstData, i);
            const QList<QStringView> fields = record.split(u'\t');
            FileRow row;
            row.line = int(i) + 1;
            const auto quarter = Quarter::fromKey(fields[0]);
            bool ok = quarter.has_value();
            if (ok) {
                row.quarter = *quarter;
                if (row.quarter > kSwitch) {
                    ok = column(fields, 1, row.irl) && column(fields, 3, row.corse)
                         && column(fields, 4, row.outreMer);
                } else {
                    ok = column(fields, 3, row.irl);
                }
            }
            if (!ok) {
                file.error =
                    QStringLiteral("le fichier des indices actuel a un enregistrement illisible à "
                                   "la ligne %1")
                        .arg(row.line);
                break;
            }
            file.rows.push_back(row);
        }
    }
    return file;
}

QString decimalText(double value)
{
    return QString::number(value, 'f', 2).replace(u'.', u',');
}

// A value of the series that the file already holds must be the same.
QString pastValueError(const ScannedFile& file, const SdmxSeries& series, Quarter newest,
                       std::optional<double> FileRow::*column, const QString& name)
{
    for (const SdmxObservation& o : series.observations) {
        if (o.quarter > newest)
            continue;
        const FileRow* row = file.find(o.quarter);
        if (!row || !(row->*column) || *(row->*column) == o.value)
            continue;
        return QStringLiteral("%1 du %2 vaut %3 selon l'Insee et %4 dans le fichier des indices : "
                              "une valeur publiée ne change pas")
            .arg(name, o.quarter.label(), decimalText(o.value), decimalText(*(row->*column)));
    }
    return {};
}

QByteArray latin1Line(const QString& text)
{
    // A comma would cut the line into two records.
    Q_ASSERT(!text.contains(u','));
    return text.toLatin1();
}

} // namespace

QDate usualRelease(Quarter quarter)
{
    const QDate next = quarter.next().firstDay();
    return next.isValid() ? QDate(next.year(), next.month(), 15) : QDate();
}

SdmxMerge mergeSdmxSeries(const QByteArray& indexFile, const SdmxSeries& irl,
                          const SdmxSeries* corse, const SdmxSeries* outreMer, const QDate& today)
{
    SdmxMerge merge;
    auto refuse = [&](const QString& why) {
        merge.error = why;
        merge.bytes.clear(); // nothing of a refused merge may reach the disk
        merge.added.clear();
        merge.estimated.clear();
        return merge;
    };

    const IndexFileResult current = parseIndexFile(indexFile);
    if (!current.ok())
        return refuse(QStringLiteral("le fichier des indices actuel est illisible (%1) : "
                                     "la série de l'Insee ne peut que compléter un fichier valide")
                          .arg(corruptionDetail(current)));
    const ScannedFile file = scan(indexFile);
    if (!file.error.isEmpty())
        return refuse(file.error);
    if (file.rows.empty())
        return refuse(QStringLiteral("le fichier des indices actuel ne contient aucun trimestre : "
                                     "la série de l'Insee ne peut que le compléter"));
    const Quarter newest =
        std::max_element(file.rows.begin(), file.rows.end(), [](const auto& a, const auto& b) {
            return a.quarter < b.quarter;
        })->quarter;

    const struct {
        const SdmxSeries* series;
        std::optional<double> FileRow::*column;
        QString name;
    } series[] = {{&irl, &FileRow::irl, QStringLiteral("l'IRL")},
                  {corse, &FileRow::corse, QStringLiteral("l'IRL de Corse")},
                  {outreMer, &FileRow::outreMer, QStringLiteral("l'IRL d'outre-mer")}};
    for (const auto& s : series) {
        if (!s.series)
            continue;
        const QString error = pastValueError(file, *s.series, newest, s.column, s.name);
        if (!error.isEmpty())
            return refuse(error);
    }

    std::vector<const SdmxObservation*> fresh;
    for (const SdmxObservation& o : irl.observations)
        if (o.quarter > newest)
            fresh.push_back(&o);
    std::sort(fresh.begin(), fresh.end(),
              [](const auto* a, const auto* b) { return a->quarter > b->quarter; });
    if (fresh.empty())
        return merge;
    for (std::size_t i = 0; i < fresh.size(); ++i) {
        const Quarter expected = newest.plus(int(fresh.size() - i));
        if (fresh[i]->quarter != expected)
            return refuse(
                QStringLiteral("il manque le %1 dans la série de l'Insee").arg(expected.label()));
    }
    const Quarter latest = fresh.front()->quarter;
    if (today <= latest.lastDay())
        return refuse(QStringLiteral("la série de l'Insee donne le %1, qui n'est pas encore "
                                     "terminé (vérifiez la date de l'ordinateur)")
                          .arg(latest.label()));
    if (newest < kSwitch)
        return refuse(QStringLiteral("le fichier des indices s'arrête avant le 3è tr.2005 : "
                                     "la série de l'IRL ne peut pas le compléter"));

    // LAST_UPDATE dates the newest quarter only when it can be its release:
    // after the quarter ended, before the next one would have come out.
    const QDate lastUpdate = irl.lastUpdate;
    const bool released = lastUpdate.isValid() && lastUpdate > latest.lastDay()
                          && lastUpdate < usualRelease(latest.next());
    QByteArray rows;
    for (const SdmxObservation* o : fresh) {
        QDate published = lastUpdate;
        if (o->quarter != latest || !released) {
            published = usualRelease(o->quarter);
            merge.estimated.push_back(o->quarter);
        }
        QString line = o->quarter.key() + u'\t' + o->text + u'\t' + dateText(published);
        const SdmxObservation* regional[] = {corse ? corse->find(o->quarter) : nullptr,
                                             outreMer ? outreMer->find(o->quarter) : nullptr};
        for (int k = 0; k < 2; ++k) {
            const SdmxSeries* s = k == 0 ? corse : outreMer;
            if (s && !regional[k])
                return refuse(QStringLiteral("la série de %1 (idBank %2) ne donne pas le %3")
                                  .arg(series[k + 1].name, s->idBank, o->quarter.label()));
        }
        if (regional[0] || regional[1])
            line += u'\t' + (regional[0] ? regional[0]->text : QString());
        if (regional[1])
            line += u'\t' + regional[1]->text;
        rows += latin1Line(line) + file.eol;
        merge.added.push_back(o->quarter);
    }

    // The header keeps every comment; the list of estimated dates grows at its front.
    std::vector<Line> header(file.lines.begin(), file.lines.begin() + file.firstData);
    if (!merge.estimated.empty()) {
        QStringList entries;
        for (Quarter q : merge.estimated)
            entries << q.label() + QStringLiteral(" le ") + dateText(usualRelease(q));
        const QByteArray prefix = latin1Line(kEstimatedDatesComment.toString());
        auto listed = std::find_if(header.begin(), header.end(),
                                   [&](const Line& l) { return l.text.startsWith(prefix); });
        if (listed != header.end()) {
            const QString before = QString::fromLatin1(listed->text.mid(prefix.size())).trimmed();
            if (!before.isEmpty())
                entries << before;
            listed->text = prefix + latin1Line(entries.join(QStringLiteral(" ; ")));
            if (listed->ending.isEmpty())
                listed->ending = file.eol;
        } else {
            header.push_back({prefix + latin1Line(entries.join(QStringLiteral(" ; "))), file.eol});
        }
    }
    for (const Line& l : header)
        merge.bytes += l.text + l.ending;
    merge.bytes += rows;
    for (std::size_t i = file.firstData; i < file.lines.size(); ++i)
        merge.bytes += file.lines[i].text + file.lines[i].ending;

    // What is written must read as the program reads its file.
    const IndexFileResult result = parseIndexFile(merge.bytes);
    if (!result.ok() || result.rows.size() != current.rows.size() + merge.added.size())
        return refuse(QStringLiteral("le fichier complété ne se relit pas (%1)")
                          .arg(corruptionDetail(result)));
    return merge;
}

} // namespace velmaris
