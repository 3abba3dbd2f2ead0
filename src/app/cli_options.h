#pragma once

// What every command of the command line shares, --rent included: the options
// as given, the failures, the index table. QtCore only: the program's own
// revision links this part and nothing of the register.
#include "cli.h"
#include "indextable.h"

#include <QDate>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace velmaris::cli {

// The options as given: each name once, with its value ("" for a flag).
struct Options {
    QMap<QString, QString> values;

    bool has(const QString& name) const { return values.contains(name); }
    QString value(const QString& name) const { return values.value(name); }
};

CommandLineResult failure(int status, const QString& message);

// Reads the options; on a bad one returns the message.
std::optional<QString> parseOptions(const QStringList& arguments, Options& options);

// Loads the index file (--index-file or the default one); on failure the
// result to return.
std::optional<CommandLineResult> loadTable(const Options& options, const QString& defaultPath,
                                           IndexTable& table);

// What the user must know besides, for standard error: the table lacks a
// quarter out since.
QString stalenessNotice(const IndexTable& table);

// A date given as an option value, or today when the option is absent; on a
// date that does not read, the failure to return.
std::optional<CommandLineResult> dateOption(const Options& options, const QString& name,
                                            QDate& date);

} // namespace velmaris::cli
