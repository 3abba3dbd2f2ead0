#pragma once

// What the command-line commands share: the options as given, the index
// table, the messages.
#include "cli.h"
#include "indextable.h"

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

// The lease commands: --leases, --revise-lease, --import-leases, --export-leases.
CommandLineResult runLeaseCommand(const Options& options, const QString& defaultIndexPath,
                                  const QString& defaultDataFolder);

// The index commands (cli_index.cpp): --add-index QUARTER VALUE, whose two
// values follow it, and --import-insee FILE.
CommandLineResult runAddIndex(const QStringList& arguments, const QString& defaultIndexPath);
CommandLineResult runImportInsee(const Options& options, const QString& defaultIndexPath);

} // namespace velmaris::cli
