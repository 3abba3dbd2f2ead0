#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

namespace velmaris {

// One record of a CSV text and the line it starts on (1-based).
struct CsvRecord {
    int line = 0;
    QStringList fields;
};

// Splits a text into records: ";" between fields, double quotes around a field
// that holds ";", quotes ("" inside) or line breaks; lines end with \n, \r\n or
// \r. False, with the line where it opened, when a quote is never closed.
bool splitCsv(QStringView text, std::vector<CsvRecord>* records, int* openQuoteLine);

// A field as written: between double quotes when it needs them.
QString csvField(const QString& text);

} // namespace velmaris
