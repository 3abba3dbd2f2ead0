// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What every command of the command line shares, --rent included: the options
// as given, the failures, the index table. QtCore only: the program's own
// revision links this part and nothing of the register.
#include "cli.h"
#include "indextable.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace velmaris::cli {

// The options as given: each name once, with its value ("" for a flag), in
// the order of their names, so that a refusal names the same option whatever
// the order they were given in. A handful: a list does (std::map's code stays
// out of a revision's start).
struct Options {
    QList<std::pair<QString, QString>> values;

    bool has(const QString& name) const { return find(name) >= 0; }
    QString value(const QString& name) const
    {
        const qsizetype at = find(name);
        return at < 0 ? QString() : values.at(at).second;
    }
    void insert(const QString& name, const QString& value)
    {
        qsizetype at = 0;
        while (at < values.size() && values.at(at).first < name)
            ++at;
        if (at < values.size() && values.at(at).first == name)
            values[at].second = value;
        else
            values.insert(at, {name, value});
    }
    QStringList names() const
    {
        QStringList list;
        for (const auto& [name, value] : values)
            list << name;
        return list;
    }

private:
    qsizetype find(const QString& name) const
    {
        for (qsizetype i = 0; i < values.size(); ++i)
            if (values.at(i).first == name)
                return i;
        return -1;
    }
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
