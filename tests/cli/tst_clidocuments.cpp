// SPDX-License-Identifier: GPL-3.0-or-later
// The windows' documents written by the command line: each PDF the same as
// the window's pages for the same register and day, and the files and
// arguments refused without anything written. The full disk needs a mount
// namespace of its own (tests/platform/in_mount_namespace.sh).
#include "audit.h"
#include "auditprinter.h"
#include "auditreport.h"
#include "cli.h"
#include "dates.h"
#include "indexfile.h"
#include "leaseletters.h"
#include "leasestore.h"
#include "letterprinter.h"
#include "quoting.h"
#include "reportprinter.h"
#include "reportrows.h"
#include "testmain.h"

#include "../app/filefaults_data.h"
#include "../output/pdflines.h"
#include "agencyfixture.h"
#include "clifixture.h"
#include "testsupport.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace velmaris;
using namespace velmaris::test;

// The commands paint as velmaris-cli paints them, with or without a display.
static const bool velmarisOffscreen = (paintOffscreen(), true);

namespace {

Lease lease(const QString& reference, const char* start, const QString& tenant)
{
    Lease l;
    l.reference = reference;
    l.tenant = tenant;
    l.address = QStringLiteral("8 rue Paul Bert");
    l.postalCode = QStringLiteral("69003");
    l.town = QStringLiteral("Lyon");
    l.signingDate = l.startDate = day(start);
    l.rentCents = 78050;
    return l;
}

// Two PDFs written apart differ by their creation time only.
QByteArray timeless(QByteArray pdf)
{
    static const QRegularExpression created(QStringLiteral("/CreationDate \\(D:[^)]*\\)"));
    return QString::fromLatin1(pdf).replace(created, QString()).toLatin1();
}

// A PDF the program wrote earlier.
QByteArray earlierPdf()
{
    RevisionLetter letter;
    letter.reference = QStringLiteral("A-12");
    letter.salutation = QStringLiteral("Madame,");
    const QByteArray pdf = lettersPdf({letter}, letterTitle(letter.reference));
    if (!isWholePdf(pdf))
        qFatal("no PDF written");
    return pdf;
}

QString pdfText(const QString& path)
{
    return test::pdfRawText(path).replace(QChar(0xA0), u' ').simplified();
}

} // namespace

class TestCliDocuments : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void sameAsTheWindows_data();
    void sameAsTheWindows();
    void refused_data();
    void refused();

private:
    // The pages the windows make of the register for `kind` at `date`.
    QByteArray windowPages(const QString& kind, const QDate& date, bool registered);

    IndexTable m_table;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_mount;
    QString folder() const { return m_dir->path(); }
};

void TestCliDocuments::initTestCase()
{
    m_table.filePath = kShippedFile;
    QVERIFY(loadIndexTable(m_table).ok());
}

void TestCliDocuments::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    LeaseStore store;
    QVERIFY(store.open(folder()));
    Owner owner;
    owner.name = QStringLiteral("Jean Martin");
    owner.address = {QStringLiteral("12 avenue Foch")};
    owner.postalCode = QStringLiteral("69006");
    owner.town = QStringLiteral("Lyon");
    QVERIFY2(store.addOwner(owner), qPrintable(store.error()));
    // In March 2026 A-12, B-7 and AUD are revised; C-3, an F dwelling let
    // since the freeze, gets no letter. AUD was charged 850,00 from 03/2022.
    Lease a = lease(QStringLiteral("A-12"), "15/03/2020", QStringLiteral("Mme Durand"));
    a.priorRevision = day("15/03/2025");
    Lease b = lease(QStringLiteral("B-7"), "10/03/2020", QStringLiteral("M. Roux"));
    b.priorRevision = day("10/03/2025");
    Lease c = lease(QStringLiteral("C-3"), "20/03/2023", QStringLiteral("Mme Leroy"));
    c.dpeClass = DpeClass::F;
    c.dpeDate = c.signingDate;
    Lease aud = lease(QStringLiteral("AUD"), "15/03/2022", QStringLiteral("Mme Petit"));
    aud.rentCents = 85000;
    QVERIFY2(store.importLeases({a, b, c, aud}), qPrintable(store.error()));
    QVERIFY(store.setChargedRents(store.findLease(QStringLiteral("AUD"))->id,
                                  {{day("01/03/2022"), 85000, {}}}));
}

void TestCliDocuments::cleanup()
{
    if (!m_mount.isEmpty())
        ::umount2(QFile::encodeName(m_mount).constData(), MNT_DETACH);
    m_mount.clear();
    m_dir.reset();
}

QByteArray TestCliDocuments::windowPages(const QString& kind, const QDate& date, bool registered)
{
    LeaseStore store;
    if (!store.open(folder()))
        return {};
    if (kind == u"rent") {
        RevisionRequest request;
        request.reference = Quarter(2019, 3);
        request.cents = 85000;
        const int row = m_table.rowOf(request.reference);
        const Schedule schedule = reviseRents(m_table, request);
        ReportRows rows = reportRows(m_table, row, schedule, false, NumberStyle());
        rows.heading = reportHeading(m_table, row, schedule, date, NumberStyle());
        return tableReportPdf(rows);
    }
    if (kind == u"month") {
        MonthLetterSet set = monthLetterSet(*store.leases(), *store.lastRevisions(), m_table,
                                            *registerSenders(store), date, 2026, 3);
        for (RevisionLetter& letter : set.letters)
            letter.delivery = registered ? registeredMailLine() : QString();
        return lettersPdf(set.letters, monthLettersTitle(2026, 3));
    }
    const Lease lease = *store.findLease(kind == u"audit" ? u"AUD"_qs : u"A-12"_qs);
    const std::vector<RevisionRecord> history = *store.history(lease.id);
    const LeaseSender sender = *leaseSender(store, lease);
    if (kind == u"audit") {
        const Audit audit =
            auditLease(lease, *store.chargedRents(lease.id), history, m_table, date);
        return auditReportPdf(auditReport(lease, audit, auditAuthor(sender.owner, sender.agency)));
    }
    LetterResult letter = leaseLetter(lease, letterBasis(lease, history, m_table, date), sender);
    if (letter.letter && registered)
        letter.letter->delivery = registeredMailLine();
    return letter.letter ? lettersPdf({*letter.letter}, letterTitle(lease.reference))
                         : QByteArray();
}

void TestCliDocuments::sameAsTheWindows_data()
{
    QTest::addColumn<QStringList>("arguments"); // then --pdf FILE
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<bool>("agency");
    QTest::addColumn<QString>("said");  // standard output, before " dans FILE."
    QTest::addColumn<QString>("shows"); // a text of the pages
    QTest::addColumn<QString>("notes"); // on standard error

    QTest::newRow("a lease’s letter, dated its request")
        << QStringList{u"--letter"_qs, u"A-12"_qs, u"--request-date"_qs, u"20/03/2026"_qs}
        << "letter" << day("20/03/2026") << false << "Lettre enregistrée"
        << "Lyon, le 20 mars 2026"
        << "";
    QTest::newRow("the month’s letters from the agency")
        << QStringList{u"--month-letters"_qs, u"2026-03"_qs, u"--date"_qs, u"25/03/2026"_qs}
        << "month" << day("25/03/2026") << true << "3 lettres enregistrées"
        << "Pour le compte de Jean Martin" << u"Pas de lettre pour le bail "_qs + quoted(u"C-3");
    QTest::newRow("a registered letter")
        << QStringList{u"--letter"_qs, u"A-12"_qs, u"--request-date"_qs, u"20/03/2026"_qs,
                       u"--registered"_qs}
        << "letter" << day("20/03/2026") << false << "Lettre enregistrée"
        << "Lettre recommandée avec avis de réception"
        << "";
    QTest::newRow("the month’s letters, registered")
        << QStringList{u"--month-letters"_qs, u"2026-03"_qs, u"--registered"_qs, u"--date"_qs,
                       u"25/03/2026"_qs}
        << "month" << day("25/03/2026") << false << "3 lettres enregistrées"
        << "Lettre recommandée avec avis de réception"
        << u"Pas de lettre pour le bail "_qs + quoted(u"C-3");
    QTest::newRow("an audit report")
        << QStringList{u"--audit-report"_qs, u"AUD"_qs, u"--date"_qs, u"15/09/2025"_qs} << "audit"
        << day("15/09/2025") << false << "Audit enregistré"
        << "Mme Petit"
        << "";
    QTest::newRow("the calculator’s table")
        << QStringList{u"--rent"_qs, u"850"_qs, u"--quarter"_qs, u"32019"_qs} << "rent"
        << QDate::currentDate() << false << "Tableau de révision enregistré"
        << "953,19"
        << "";
}

void TestCliDocuments::sameAsTheWindows()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, kind);
    QFETCH(QDate, date);
    QFETCH(bool, agency);
    QFETCH(QString, said);
    QFETCH(QString, shows);
    QFETCH(QString, notes);
    if (agency) {
        LeaseStore store;
        QVERIFY(store.open(folder()));
        QVERIFY2(store.setAgency(sampleAgency()), qPrintable(store.error()));
    }
    // A PDF the program wrote before is replaced.
    const QString path = m_dir->filePath(QStringLiteral("document.pdf"));
    writeAll(path, earlierPdf());
    const CommandLineResult r = runInFolder(folder(), arguments + QStringList{u"--pdf"_qs, path});
    QVERIFY2(r.status == 0, qPrintable(r.error));
    QCOMPARE(r.output, said + QStringLiteral(" dans ") + path + QStringLiteral(".\n"));
    QVERIFY2(r.error.contains(notes), qPrintable(r.error));
    const QByteArray window = windowPages(kind, date, arguments.contains(u"--registered"_qs));
    QVERIFY(isWholePdf(window));
    QCOMPARE(timeless(readAll(path)), timeless(window));
    if (!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QVERIFY2(pdfText(path).contains(shows), qPrintable(pdfText(path)));
    // A letter written is noted in its lease's history, on its day.
    if (kind == u"letter" || kind == u"month") {
        LeaseStore store;
        QVERIFY(store.open(folder()));
        const auto sent = store.lettersSent(store.findLease(u"A-12"_qs)->id);
        QCOMPARE(sent->size(), 1u);
        QCOMPARE(sentLetterText(sent->front()),
                 QStringLiteral("lettre enregistrée en PDF le ") + dateText(date));
    }
}

void TestCliDocuments::refused_data()
{
    QTest::addColumn<QStringList>("arguments"); // "@" stands for the PDF's path
    QTest::addColumn<QString>("target");        // what is there before
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");

    const QStringList letter{u"--letter"_qs,   u"A-12"_qs,  u"--request-date"_qs,
                             u"20/03/2026"_qs, u"--pdf"_qs, u"@"_qs};
    const QString notOurs = QStringLiteral("n’est pas un PDF écrit par Velmaris");
    QTest::newRow("a text file") << letter << "text" << kExitRefused << notOurs;
    QTest::newRow("another program’s PDF") << letter << "foreign PDF" << kExitRefused << notOurs;
    QTest::newRow("a planted link") << letter << "link" << kExitRefused << "lien symbolique";
    QTest::newRow("no such folder") << letter << "no folder" << kExitRefused << "n’existe pas";
    QTest::newRow("the register") << letter << "register" << kExitRefused
                                  << "est un fichier de données de Velmaris";
    QTest::newRow("a full disk") << letter << "full disk" << kExitRefused << "disque plein";
    QTest::newRow("the table over a link")
        << QStringList{u"--rent"_qs, u"850"_qs, u"--quarter"_qs, u"32019"_qs, u"--pdf"_qs, u"@"_qs}
        << "link" << kExitRefused << "lien symbolique";
    QTest::newRow("no --pdf") << letter.mid(0, 4) << "" << kExitBadArguments << "--pdf FICHIER";
    QTest::newRow("an unknown lease")
        << QStringList{u"--letter"_qs, u"NONE"_qs, u"--pdf"_qs, u"@"_qs} << "" << kExitBadArguments
        << "NONE";
    QTest::newRow("a thirteenth month")
        << QStringList{u"--month-letters"_qs, u"2026-13"_qs, u"--pdf"_qs, u"@"_qs} << ""
        << kExitBadArguments << quoted(u"2026-13");
    QTest::newRow("a frozen rent")
        << QStringList{u"--letter"_qs,   u"C-3"_qs,   u"--request-date"_qs,
                       u"20/03/2026"_qs, u"--pdf"_qs, u"@"_qs}
        << "" << kExitRevision << "Pas de lettre pour le bail";
    QTest::newRow("a month without a revision")
        << QStringList{u"--month-letters"_qs, u"2026-07"_qs, u"--date"_qs,
                       u"20/03/2026"_qs,      u"--pdf"_qs,   u"@"_qs}
        << "" << kExitRevision << "Aucune lettre de révision à écrire le 20/03/2026";
    QTest::newRow("a sender without address")
        << QStringList{u"--month-letters"_qs, u"2026-03"_qs, u"--date"_qs,
                       u"02/03/2026"_qs,      u"--pdf"_qs,   u"@"_qs}
        << "no address" << kExitRevision << "l’adresse postale du bailleur";
    QTest::newRow("no rent charged")
        << QStringList{u"--audit-report"_qs, u"A-12"_qs, u"--pdf"_qs, u"@"_qs} << ""
        << kExitRevision << "Aucun loyer facturé";
}

void TestCliDocuments::refused()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, target);
    QFETCH(int, status);
    QFETCH(QString, said);
    // Beside the register, whose journals come and go as it opens.
    QVERIFY(QDir(folder()).mkdir(QStringLiteral("sortie")));
    QString path = m_dir->filePath(QStringLiteral("sortie/lettre.pdf"));
    QString kept = path; // the file whose bytes must stay
    const QByteArray ours = earlierPdf();
    if (target == u"text") {
        writeAll(path, "à garder");
    } else if (target == u"foreign PDF") {
        writeAll(path, "%PDF-1.7\n1 0 obj\n<< /Creator (Scanner) >>\nendobj\n%%EOF\n");
    } else if (target == u"link") {
        kept = m_dir->filePath(QStringLiteral("sortie/victime.pdf"));
        writeAll(kept, ours);
        QVERIFY(QFile::link(kept, path));
    } else if (target == u"no folder") {
        path = kept = m_dir->filePath(QStringLiteral("absent/lettre.pdf"));
    } else if (target == u"register") {
        path = kept = m_dir->filePath(QStringLiteral("Velmaris.sqlite"));
    } else if (target == u"full disk") {
        m_mount = m_dir->filePath(QStringLiteral("plein"));
        if (!inMountNamespace() || !mountSmallDisk(m_mount)) {
            m_mount.clear();
            QSKIP("needs a mount namespace of its own (unshare -rm)\u00a0: see "
                  "in_mount_namespace.sh");
        }
        path = kept = QDir(m_mount).filePath(QStringLiteral("lettre.pdf"));
        writeAll(path, ours);
        fillLeaving(m_mount, 4096);
    } else if (target == u"no address") {
        LeaseStore store;
        QVERIFY(store.open(folder()));
        Owner owner = *store.defaultOwner();
        owner.address.clear();
        owner.postalCode.clear();
        owner.town.clear();
        QVERIFY2(store.updateOwner(owner), qPrintable(store.error()));
    }
    const QByteArray before = readAll(kept);
    const QDir where = QFileInfo(kept).dir();
    const QStringList listing = where.entryList(QDir::AllEntries | QDir::Hidden | QDir::System);
    arguments.replaceInStrings(QRegularExpression(QStringLiteral("^@$")), path);
    const CommandLineResult r = runInFolder(folder(), arguments);
    QCOMPARE(r.status, status);
    QVERIFY2(r.error.contains(said), qPrintable(r.error));
    QCOMPARE(r.output, QString());
    QCOMPARE(readAll(kept), before);
    QCOMPARE(where.entryList(QDir::AllEntries | QDir::Hidden | QDir::System), listing);
    if (target == u"link")
        QVERIFY(QFileInfo(path).isSymLink());
}

VELMARIS_TEST(TestCliDocuments)
#include "tst_clidocuments.moc"
