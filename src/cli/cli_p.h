// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the commands beyond --rent share: the register, its options, the
// lawful revision.
#include "cli_options.h"
#include "lawfulrevision.h"
#include "lease.h"
#include "leasestore.h"
#include "revision.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace velmaris::cli {

// The lease commands: --leases, --revise-lease, --import-leases, --export-leases,
// and the register's own (runRegisterCommand): --apply-revision, --backup, --restore.
CommandLineResult runLeaseCommand(const Options& options, const QString& defaultIndexPath,
                                  const QString& defaultDataFolder);
CommandLineResult runRegisterCommand(const Options& options, const QString& defaultIndexPath,
                                     const QString& defaultDataFolder);

// A field of a tab-separated line: tabs and line ends become blanks.
QString field(QString text);

// The register's folder: --data-folder, or the default one.
QString registerFolder(const Options& options, const QString& defaultFolder);
// The index file a command reads: --data-folder's own when it has one, else
// defaultPath (--index-file, read later, overrides both).
QString dataFolderIndex(const Options& options, const QString& defaultPath);
// The index file --add-index and --import-insee complete: --index-file, else
// --data-folder's own, which starts as a copy of defaultPath when the folder
// has none, else defaultPath. Empty with *why (French) when it cannot be had.
QString indexToComplete(const Options& options, const QString& defaultPath, QString* why);

// Which register a command works on: the server of --register or of the
// settings' section REGISTRE, else (no server) the SQLite file of the folder;
// error: why --register does not read.
struct RegisterChoice {
    std::optional<RegisterServer> server;
    QString error;
};
RegisterChoice chosenRegister(const Options& options, const QString& defaultFolder);

// --copy-register: the register copied whole into an empty one.
CommandLineResult copyRegister(const Options& options, const QString& defaultFolder);

// Opens the register; on failure the result to return (status 5).
std::optional<CommandLineResult> openStore(const Options& options, const QString& defaultFolder,
                                           LeaseStore& store);

// Refuses any option but the command's, --index-file, --data-folder and `allowed`.
// What a command on the register's leases starts with: only its own options,
// its date option read (today when absent), the index file read, the register
// opened. The first failure is the command's result.
// On a server register the table holds the register's figures (see
// takeRegisterFigures), and notice what the user must know of them.
struct LeaseCommand {
    QDate date;
    IndexTable table;
    LeaseStore store;
    QString notice;
};
std::optional<CommandLineResult> startLeaseCommand(const Options& options, const QString& command,
                                                   const QString& dateName,
                                                   const QStringList& allowed,
                                                   const QString& indexPath,
                                                   const QString& dataFolder, LeaseCommand& run);

// Why an export or a backup may not be written to path (empty when it may).
QString outputRefusalFor(const Options& options, const QString& path, const QString& indexPath,
                         const QString& dataFolder);

std::optional<CommandLineResult> onlyOptions(const Options& options, const QString& command,
                                             const QStringList& allowed);

// Whether a failure of the store is the register's (status 5: busy, read-only,
// full, damaged...) rather than the data's.
bool registerFault(StoreError kind);

// The lawful revision of the lease `reference` at `request`, and the text
// --revise-lease prints of it (result: the output, and status 4 with the
// reason when it cannot be computed). On a failure to read the lease, the
// result to return instead.
// The lease of a reference and its history; a reference the register does
// not hold is the caller's mistake, any other failure the register's.
std::optional<CommandLineResult> findLeaseAndHistory(LeaseStore& store, const QString& reference,
                                                     Lease& lease,
                                                     std::vector<RevisionRecord>& history);

struct LeaseRevisionRun {
    Lease lease;
    LawfulRevision revision;
    CommandLineResult result;
};
std::optional<CommandLineResult> computeRevision(LeaseStore& store, const QString& reference,
                                                 const IndexTable& table, const QDate& request,
                                                 LeaseRevisionRun& run);

// --calendar FILE [--months N] [--date D] (cli_calendar.cpp).
CommandLineResult runCalendar(const Options& options, const QString& indexPath,
                              const QString& dataFolder);

// --audit-lease REF [--charged FILE.csv] [--date D] (cli_audit.cpp).
CommandLineResult runAuditLease(const Options& options, const QString& indexPath,
                                const QString& dataFolder);

// The windows' documents as PDF files (cli_documents.cpp): --letter REF
// [--request-date D], --month-letters AAAA-MM [--date D], each with --pdf FILE;
// --audit-report REF [--charged FILE.csv] [--date D] --pdf FILE (cli_audit.cpp).
CommandLineResult runLetter(const Options& options, const QString& indexPath,
                            const QString& dataFolder);
CommandLineResult runMonthLetters(const Options& options, const QString& indexPath,
                                  const QString& dataFolder);
CommandLineResult runAuditReport(const Options& options, const QString& indexPath,
                                 const QString& dataFolder);
// --rent … --pdf FILE: the calculator's table as "Enregistrer en PDF…" writes it.
CommandLineResult writeRentPdf(const QString& path, const IndexTable& table, int referenceRow,
                               const Schedule& schedule, bool reeval);

// The file of --pdf, where `command` may write its document: a file of
// Velmaris's data never, nor through a link, nor over a file that is not a PDF
// the program wrote (a window would ask first). The failure to return when
// --pdf is missing (2) or its file refused (6).
std::optional<CommandLineResult> pdfTarget(const Options& options, const QString& command,
                                           const QString& indexPath, const QString& dataFolder,
                                           QString& path);
// What a command says once its document is written ("Lettre enregistrée dans
// FILE."), or why it was not (6).
CommandLineResult pdfWritten(bool ok, const QString& reason, const QString& what,
                             const QString& path);

// The index commands (cli_index.cpp): --add-index QUARTER VALUE, whose two
// values follow it, and --import-insee FILE. On a server register they
// complete the register's figures, for every desk, and the desk's file.
CommandLineResult runAddIndex(const QStringList& arguments, const QString& defaultIndexPath,
                              const QString& defaultDataFolder);
CommandLineResult runImportInsee(const Options& options, const QString& defaultIndexPath,
                                 const QString& defaultDataFolder);

// On a server register (store open): the register's figures in table, whose
// filePath is the desk's own index file, their copy; that file seeds them or
// completes them first. *notice (lines for standard error) says what the user
// must know. The table stays empty when the register holds none yet; on
// failure, the result to return.
std::optional<CommandLineResult> takeRegisterFigures(LeaseStore& store, IndexTable& table,
                                                     QString* notice);

} // namespace velmaris::cli
