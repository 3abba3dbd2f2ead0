// SPDX-License-Identifier: GPL-3.0-or-later
// The windows' documents as PDF files from the command line: one lease's
// letter, the month's letters and the calculator's table, written as the
// windows write them. The audit's report is in cli_audit.cpp.
#include "cli_p.h"

#include "dates.h"
#include "leaseletters.h"
#include "letterprinter.h"
#include "numberstyle.h"
#include "quoting.h"
#include "reportprinter.h"
#include "reportrows.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace velmaris {

bool commandWritesPages(const QStringList& arguments)
{
    return std::any_of(arguments.begin(), arguments.end(), [](const QString& argument) {
        return argument == u"--pdf" || argument.startsWith(u"--pdf=");
    });
}

void paintOffscreen()
{
    // The pages take their fonts from fontconfig under every platform of Qt
    // on Linux, so the offscreen one paints what a desktop session would, with
    // no display to reach: a PDF comes out the same from a terminal, over ssh
    // or from cron, where a QT_QPA_PLATFORM set for the desktop would stop it.
    qputenv("QT_QPA_PLATFORM", "offscreen");
}

namespace cli {

namespace {

// Whether the file there is a PDF that Velmaris wrote: its writer puts the
// program's name, UTF-16 as PDF strings are, among the first objects.
bool isVelmarisPdf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(16 * 1024);
    QByteArray creator = "/Creator (\xfe\xff";
    for (const char c : QByteArrayView("Velmaris"))
        creator.append('\0').append(c);
    return head.startsWith("%PDF-") && head.contains(creator + ')');
}

// What the user must know besides comes first on standard error, whatever
// the outcome: a missing index is often why a letter cannot be written.
CommandLineResult withNotes(CommandLineResult r, const QString& notes)
{
    r.error.prepend(notes);
    return r;
}

CommandLineResult pdfFailure(const QString& reason)
{
    return failure(kExitRefused, QStringLiteral("PDF non écrit\u00a0: %1.").arg(reason));
}

} // namespace

CommandLineResult pdfWritten(bool ok, const QString& reason, const QString& what,
                             const QString& path)
{
    if (!ok)
        return pdfFailure(reason);
    CommandLineResult r;
    r.output =
        what + QStringLiteral(" dans ") + QDir::toNativeSeparators(path) + QStringLiteral(".\n");
    return r;
}

// The letters written went out on `day`: noted in their leases' history. What
// could not be noted is said; the PDF stays written.
QString noteLettersOut(LeaseStore& store, std::vector<SentLetter> letters, const QDate& day)
{
    for (SentLetter& letter : letters) {
        letter.sentOn = day;
        letter.channel = LetterChannel::Pdf;
    }
    if (store.recordLettersSent(letters))
        return {};
    return QStringLiteral("Envoi non noté dans l’historique des baux\u00a0: %1\n")
        .arg(store.error());
}

std::optional<CommandLineResult> pdfTarget(const Options& options, const QString& command,
                                           const QString& indexPath, const QString& dataFolder,
                                           QString& path)
{
    if (options.value(QStringLiteral("--pdf")).trimmed().isEmpty())
        return failure(kExitBadArguments,
                       QStringLiteral("%1 écrit un document PDF\u00a0: indiquez son fichier "
                                      "(--pdf FICHIER). (velmaris-cli --help)")
                           .arg(command));
    path = options.value(QStringLiteral("--pdf"));
    // The window's file dialog asks before it replaces a file; a command
    // cannot ask, so it replaces only a document of its own.
    QString refusal = outputRefusalFor(options, path, indexPath, dataFolder);
    if (refusal.isEmpty() && QFileInfo::exists(path) && !isVelmarisPdf(path))
        refusal = quotedPath(path)
                  + QStringLiteral(" existe déjà et n’est pas un PDF écrit par Velmaris, qui "
                                   "ne le remplace pas");
    if (!refusal.isEmpty())
        return pdfFailure(refusal);
    return std::nullopt;
}

CommandLineResult writeRentPdf(const QString& path, const IndexTable& table, int referenceRow,
                               const Schedule& schedule, bool reeval)
{
    const NumberStyle french; // the same pages on every machine
    // Under its heading, as the calculator prints it: the revision asked, today.
    ReportRows rows = reportRows(table, referenceRow, schedule, reeval, french);
    rows.heading = reportHeading(table, referenceRow, schedule, QDate::currentDate(), french);
    QString reason;
    const bool ok = writeTableReportPdf(path, rows, &reason);
    return pdfWritten(ok, reason, QStringLiteral("Tableau de révision enregistré"), path);
}

// What a letters' command starts with: its options, the PDF it writes, the
// register and the index table.
std::optional<CommandLineResult> startLetters(const Options& options, const QString& command,
                                              const QString& dateOption, const QString& indexPath,
                                              const QString& dataFolder, QString& path,
                                              LeaseCommand& run)
{
    const QStringList allowed{QStringLiteral("--pdf"), QStringLiteral("--registered")};
    if (auto bad = onlyOptions(options, command, allowed + QStringList{dateOption}))
        return bad;
    if (auto refused = pdfTarget(options, command, indexPath, dataFolder, path))
        return refused;
    return startLeaseCommand(options, command, dateOption, allowed, indexPath, dataFolder, run);
}

CommandLineResult runLetter(const Options& options, const QString& indexPath,
                            const QString& dataFolder)
{
    const QString command = QStringLiteral("--letter");
    QString path;
    LeaseCommand run;
    if (auto failed = startLetters(options, command, QStringLiteral("--request-date"), indexPath,
                                   dataFolder, path, run))
        return *failed;
    Lease lease;
    std::vector<RevisionRecord> history;
    if (auto failed = findLeaseAndHistory(run.store, options.value(command), lease, history))
        return *failed;
    const std::optional<LeaseSender> sender = leaseSender(run.store, lease);
    if (!sender)
        return failure(kExitRegister, run.store.error());
    // As the letter dialog writes it, the request date standing for its today.
    const LetterBasis basis = letterBasis(lease, history, run.table, run.date);
    LetterResult letter = leaseLetter(lease, basis, *sender);
    if (letter.letter && options.has(QStringLiteral("--registered")))
        letter.letter->delivery = registeredMailLine();
    const QString notes = run.notice + stalenessNotice(run.table);
    if (!letter.letter)
        return withNotes(
            failure(kExitRevision, QStringLiteral("Pas de lettre pour le bail %1\u00a0: %2")
                                       .arg(quoted(lease.reference), letter.refusal)),
            notes);
    if (!sender->complete())
        return withNotes(
            failure(
                kExitRevision,
                QStringLiteral("Lettre non écrite\u00a0: renseignez %1 («\u00a0Bailleur…\u00a0» ou "
                               "«\u00a0Agence…\u00a0» dans la fenêtre), qui figure en tête et à "
                               "la signature.")
                    .arg(sender->missing())),
            notes);
    QString reason;
    const bool ok = saveLettersPdf({*letter.letter}, letterTitle(lease.reference), path, &reason);
    return withNotes(
        pdfWritten(ok, reason, QStringLiteral("Lettre enregistrée"), path),
        notes
            + (ok ? noteLettersOut(
                   run.store,
                   {{0, lease.id, basis.revision.status.due, {}, LetterChannel::Pdf, {}, {}}},
                   run.date)
                  : QString()));
}

namespace {

// "2026-03": the month's year and number.
std::optional<std::pair<int, int>> readMonth(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{4})-(\\d{2})$"));
    const QRegularExpressionMatch m = form.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    const int year = m.captured(1).toInt();
    const int month = m.captured(2).toInt();
    // The years "Lettres du mois…" offers.
    if (year < 2000 || year > 2100 || month < 1 || month > 12)
        return std::nullopt;
    return std::pair{year, month};
}

} // namespace

CommandLineResult runMonthLetters(const Options& options, const QString& indexPath,
                                  const QString& dataFolder)
{
    const QString command = QStringLiteral("--month-letters");
    const auto month = readMonth(options.value(command));
    if (!month)
        return failure(kExitBadArguments,
                       QStringLiteral("Mois invalide pour %1\u00a0: %2 (AAAA-MM attendu, par "
                                      "exemple 2026-03).")
                           .arg(command, quoted(options.value(command))));
    const auto [year, number] = *month;
    QString path;
    LeaseCommand run;
    if (auto failed = startLetters(options, command, QStringLiteral("--date"), indexPath,
                                   dataFolder, path, run))
        return *failed;
    const auto leases = run.store.leases();
    const auto last = leases ? run.store.lastRevisions() : std::nullopt;
    const auto senders = last ? registerSenders(run.store) : std::nullopt;
    if (!senders)
        return failure(kExitRegister, run.store.error());
    const MonthLetterSet set =
        monthLetterSet(*leases, *last, run.table, *senders, run.date, year, number);

    const QString when = monthText(year, number);
    QString notes = run.notice + stalenessNotice(run.table);
    // A lease of the month that gets no letter is said, never dropped in silence.
    for (const MonthLetterLine& line : set.lines)
        if (!line.result.letter)
            notes +=
                QStringLiteral("Pas de lettre pour le bail %1 (%2, révision au %3)\u00a0: %4\n")
                    .arg(quoted(line.lease->reference), line.lease->tenant,
                         dateText(line.basis.revision.status.due), line.result.refusal);
    auto nothing = [&notes](const QString& why) {
        return withNotes(failure(kExitRevision, why), notes);
    };
    if (set.lines.empty())
        return nothing(QStringLiteral("Aucune lettre de révision à écrire le %1 pour %2.")
                           .arg(dateText(run.date), when));
    if (!set.missing.isEmpty())
        return nothing(
            QStringLiteral("Aucune lettre écrite\u00a0: renseignez %1 («\u00a0Bailleur…\u00a0» "
                           "ou «\u00a0Agence…\u00a0» dans la fenêtre), qui figurent en tête "
                           "et à la signature\u00a0; les lettres du mois partent "
                           "ensemble.")
                .arg(set.missing.join(QStringLiteral("\u00a0; "))));
    if (set.letters.empty())
        return nothing(
            QStringLiteral("Aucune lettre à envoyer pour les révisions de %1.").arg(when));
    std::vector<RevisionLetter> letters = set.letters;
    std::vector<SentLetter> going;
    for (const MonthLetterLine& line : set.lines)
        if (line.result.letter)
            going.push_back({0,
                             line.lease->id,
                             line.basis.revision.status.due,
                             {},
                             LetterChannel::Pdf,
                             {},
                             {}});
    if (options.has(QStringLiteral("--registered")))
        for (RevisionLetter& letter : letters)
            letter.delivery = registeredMailLine();
    QString reason;
    const bool ok = saveLettersPdf(letters, monthLettersTitle(year, number), path, &reason);
    if (ok)
        notes += noteLettersOut(run.store, going, run.date);
    const qsizetype count = qsizetype(set.letters.size());
    const QString what = count == 1 ? QStringLiteral("1 lettre enregistrée")
                                    : QStringLiteral("%1 lettres enregistrées").arg(count);
    return withNotes(pdfWritten(ok, reason, what, path), notes);
}

} // namespace cli

} // namespace velmaris
