// SPDX-License-Identifier: GPL-3.0-or-later
#include "benchdata.h"

#include "indexfile.h"
#include "revision.h"

#include <QDate>
#include <QFile>
#include <QTemporaryFile>

#include <cstdlib>
#include <map>
#include <memory>

namespace velmaris::bench {

QString shippedPath()
{
    return QStringLiteral(VELMARIS_SOURCE_DIR "/data/VELMARIS.TXT");
}

QByteArray shippedBytes()
{
    QFile file(shippedPath());
    if (!file.open(QIODevice::ReadOnly))
        std::abort(); // no benchmark means anything without it
    return file.readAll();
}

QByteArray syntheticBytes(int rows)
{
    QByteArray text = "' fichier d'essai\r\n";
    int year = 2025;
    int quarter = 3;
    QDate published(2025, 10, 15);
    bool switched = false;
    for (int i = 0; i < rows; ++i) {
        const QByteArray key = QByteArray::number(quarter) + QByteArray::number(year);
        switched = switched || key == "22005";
        const QByteArray date = published.toString(u"dd/MM/yyyy").toLatin1();
        // Values drift slowly so that revisions both rise and fall.
        const int icc = 1300 - (i % 97) - i / 20;
        const double irl = 145.0 - (i % 13) * 0.37 - i * 0.01;
        if (!switched)
            text += key + '\t' + QByteArray::number(irl, 'f', 2) + '\t' + date + "\r\n";
        else
            text += key + '\t' + QByteArray::number(icc) + '\t' + date + '\t'
                    + QByteArray::number(irl, 'f', 2) + "\r\n";
        published = published.addMonths(-3);
        if (--quarter == 0) {
            quarter = 4;
            --year;
        }
    }
    return text;
}

QString syntheticPath(int rows)
{
    static std::map<int, std::unique_ptr<QTemporaryFile>> files;
    auto& file = files[rows];
    if (!file) {
        file = std::make_unique<QTemporaryFile>();
        if (!file->open())
            std::abort();
        file->write(syntheticBytes(rows));
        file->flush();
    }
    return file->fileName();
}

RevisionRequest requestAt(const IndexTable& table, int row)
{
    RevisionRequest request;
    request.reference = table.rows[std::size_t(row)].quarter;
    request.cents = 85000;
    return request;
}

int longestRunRow(const IndexTable& table)
{
    for (int row = table.lastRow(); row > 0; --row)
        if (reviseRents(table, requestAt(table, row)).ok())
            return row;
    return 0;
}

Revised loadedTable(const QByteArray& bytes, bool revised)
{
    Revised out;
    const IndexFileResult parsed = parseIndexFile(bytes);
    if (!parsed.ok())
        std::abort(); // a benchmark of a refused file measures nothing
    installRows(out.table, parsed.rows, QDateTime());
    if (revised && !out.table.rows.empty()) {
        const int first = longestRunRow(out.table);
        out.referenceRow = first;
        out.schedule = reviseRents(out.table, requestAt(out.table, first));
    }
    return out;
}

const QLocale& french()
{
    static const QLocale locale(QLocale::French, QLocale::France);
    return locale;
}

} // namespace velmaris::bench
