// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "chargedrent.h"
#include "indexchange.h"
#include "lease.h"
#include "leasebackup.h"
#include "owner.h"
#include "registerserver.h"

#include <QHash>
#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QSqlDatabase;
class QSqlError;
class QSqlQuery;

namespace velmaris {

// What went wrong with the register, for callers that act on the kind of
// failure (an exit status, a refresh) rather than on its text.
enum class StoreError {
    None,
    NotOpen,     // no register open
    NotFound,    // the lease asked for is not (or no longer) in the register
    Refused,     // the lease or the record does not hold (invalid, reference taken)
    Conflict,    // another copy changed the lease since it was read
    Busy,        // another program holds the file
    ReadOnly,    // the file cannot be written
    Full,        // the disk is full
    Damaged,     // not a register, or a damaged one
    Newer,       // written by a newer Velmaris
    Password,    // the server refuses the password, or wants one
    Unavailable, // the file cannot be opened, read or written for another reason
    NoRegister,  // the server's database holds no register, and none is to be made
    Canceled,    // the user stopped a long work: nothing of it was written
};

// Whether opening a server's database that holds no register makes one: only
// what is meant to fill it does (an import, a copy, the window once asked).
enum class Creation { Allowed, Refused };

// The French sentence a failure of this kind says about the register at path
// (for Conflict: "Ce bail a été modifié par ailleurs depuis son ouverture.").
QString storeErrorText(StoreError kind, const QString& path);

// The lease register: one SQLite file, Velmaris.sqlite, in a folder the
// caller gives, or an office's PostgreSQL database that several desks share.
// Each store has its own connection, so that two stores (two windows, the
// window and the command line) may be open on one register at once.
//
// Every write runs in one transaction. A failure never ends the program: the
// call returns false (or nothing) and error() says why in French, ready for a
// message box; the file is left as it was and the caller can go on without the
// register.
// A revision letter that went out: for which revision, the day, how.
enum class LetterChannel { Email, Printed, Pdf };
struct SentLetter {
    qint64 id = 0;
    qint64 leaseId = 0;
    QDate dueDate; // the revision the letter asks for
    QDate sentOn;  // the day it went out: the request's date
    LetterChannel channel = LetterChannel::Printed;
    QString sentBy;   // the desk's user
    QDateTime sentAt; // when it was recorded, UTC
};
// "lettre envoyée le 10/12/2026, par courriel", "… imprimée le …", "… enregistrée en PDF le …".
QString sentLetterText(const SentLetter& letter);
// The day the last letter for that revision went out; invalid when none did.
QDate letterSentFor(const std::vector<SentLetter>& letters, const QDate& dueDate);

class LeaseStore {
public:
    // The schema this program writes. Version 1 lacked the territory and the
    // prior revision, version 2 the rents charged, version 3 the leases'
    // versions; an older file is migrated at open, after a copy of it is kept
    // beside it (Velmaris.sqlite.v1.bak, .v2.bak, .v3.bak). Version 6 records
    // who applied each revision, and when.
    // Version 8 holds the owners, the agency and the office's index figures;
    // version 9 the tenant's e-mail address and the letters sent.
    static constexpr int kSchemaVersion = 9;
    static QString fileName(); // "Velmaris.sqlite"

    LeaseStore();
    ~LeaseStore();
    LeaseStore(const LeaseStore&) = delete;
    LeaseStore& operator=(const LeaseStore&) = delete;

    // How long a call waits for another program's write to end before it gives
    // up with "occupé". Takes effect at the next open().
    void setBusyTimeout(int milliseconds);

    // Opens (or creates) the register in the folder and migrates it. A file
    // without write permission opens read-only: it can be read, not changed.
    bool open(const QString& folder);
    // Opens (or creates, in a database without one, when creation allows) the
    // register on a PostgreSQL server and migrates it, in one transaction that
    // other desks wait for. The register lives in the schema kServerSchema,
    // whatever the role's search_path; one that an earlier version left in
    // "public" is moved there at its first opening.
    bool openServer(const RegisterServer& server, Creation creation = Creation::Allowed);
    static constexpr const char* kServerSchema = "velmaris";
    void close();
    bool isOpen() const;
    bool isServer() const { return m_server.has_value(); }
    bool isReadOnly() const;
    // The server dropped the connection: the store counts as closed until it
    // is opened again.
    bool isConnectionLost() const { return m_connectionLost; }
    // Why the register may only be read here, in French (no final stop);
    // empty when it may be written.
    QString readOnlyReason() const { return m_readOnlyReason; }
    QString path() const;         // full path of the file, or the server's user@host:port/base
    QString backupPath() const;   // the copy made before a migration at the last open, or empty
    QString error() const;        // why the last call failed, in French
    StoreError errorKind() const; // and what kind of failure it was

    // Whether another connection (another window, another program, another
    // desk) committed a change since the last call; the first call says false.
    // On a server the news comes by notification, read in the event loop.
    bool changedElsewhere();
    // Called from the event loop when another desk commits to the server's register.
    void setChangeListener(std::function<void()> listener);

    // Long work (an import, a copy, a batch of revisions) says now and then
    // how far it is, rows done out of total; when progress returns false it
    // stops and writes nothing (StoreError::Canceled). {}: no report.
    using Progress = std::function<bool(qint64 done, qint64 total)>;
    void setProgress(Progress progress) { m_progress = std::move(progress); }

    // Leases. add gives the new lease's id; a lease that fails validateLease()
    // or whose reference exists already is refused.
    std::optional<qint64> addLease(const Lease& lease);
    // Every change of a lease counts in its version: an update or a removal of
    // a lease read at another version than the register's is refused with
    // StoreError::Conflict, nothing written (version 0: a lease not read from
    // the register, written whatever its version).
    bool updateLease(const Lease& lease);
    bool removeLease(qint64 id, qint64 version = 0); // and its history; 0: at any version
    std::optional<Lease> lease(qint64 id);
    std::optional<Lease> findLease(const QString& reference);
    std::optional<std::vector<Lease>> leases(); // sorted by reference

    // All the leases or none, in one transaction. Leases whose reference is in
    // the register already are refused: their positions in `leases` go to
    // *clashes (when given) and nothing is written.
    // owners (when given) says whose each lease is, as the import read it:
    // an owner with the same name and address is taken, another is added; a
    // line without an owner's name goes to the default owner (of the lease's
    // kind when kindGiven says the line gave one).
    bool importLeases(const std::vector<Lease>& leases, std::vector<int>* clashes = nullptr,
                      const std::vector<LineOwner>* owners = nullptr);

    // The history, which only grows. appendRevision records a revision and sets
    // the lease's rent to its new rent, together; it refuses a record computed
    // on a lease at another version than leaseVersion (0: at any version), whose
    // old rent is no longer the lease's rent, or whose revision date is not
    // after the last one recorded. Who applied it (the record's appliedBy, else
    // the session's user name) and when go with it.
    std::optional<qint64> appendRevision(const RevisionRecord& record, qint64 leaseVersion = 0);
    // Many at once ("Appliquer" on a whole list): all recorded or none, in one
    // transaction; leaseVersions[i] goes with records[i]. On a refusal,
    // *failed (when given) is the position of the record refused.
    bool appendRevisions(const std::vector<RevisionRecord>& records,
                         const std::vector<qint64>& leaseVersions, int* failed = nullptr);
    // The month's batch: in one transaction, every record that still applies,
    // checked as appendRevision checks it; those that no longer do are left
    // out. reasons[i] says why records[i] was left out (empty: recorded);
    // nullopt when the register failed and nothing was recorded.
    std::optional<std::vector<QString>> appendApplicable(const std::vector<RevisionRecord>& records,
                                                         const std::vector<qint64>& leaseVersions);
    std::optional<std::vector<RevisionRecord>> history(qint64 leaseId); // oldest first
    // The latest record of every lease that has one: what the register needs.
    std::optional<std::vector<RevisionRecord>> lastRevisions();

    // The letters that went out for a lease, oldest first, and one more: the
    // day a revision's letter was sent, printed or saved, and how. Who and
    // when go with it, as with a revision. A lease gone refuses it (NotFound).
    std::optional<std::vector<SentLetter>> lettersSent(qint64 leaseId);
    bool recordLetterSent(const SentLetter& letter);
    // The month's letters, all noted or none, in one transaction.
    bool recordLettersSent(const std::vector<SentLetter>& letters);

    // The rents a lease was actually charged, what its audit checks: in month
    // order. setChargedRents replaces them all in one transaction, or changes
    // nothing when one fails validateChargedRents().
    std::optional<std::vector<ChargedRent>> chargedRents(qint64 leaseId);
    bool setChargedRents(qint64 leaseId, const std::vector<ChargedRent>& periods);

    // A consistent copy of the register, taken while it is open, written under
    // a temporary name beside target, checked, and given target's name only
    // when whole. landlord (when given) goes with it in a table of its own.
    bool backupTo(const QString& target, const BackupLandlord* landlord = nullptr);
    // Replaces every lease, history and rent charged by those of a backup, in
    // one transaction, after checking it (integrity, schema, leases) and after
    // a dated copy of the register as it was (Velmaris.sqlite.AAAA-MM-JJ-hhmmss.bak,
    // in *keptCopy). The backup's landlord, when it has one, goes to *landlord.
    bool restoreFrom(const QString& source, QString* keptCopy = nullptr,
                     BackupLandlord* landlord = nullptr);

    // Owners. Every lease belongs to one (Lease::ownerId; 0 when written: the
    // default owner, or, when the lease's landlordKind is not the default's,
    // the owner ownerOfKind() makes of it). An owner is refused when validateOwner() fails or
    // another one has its name and address; a change of its kind goes to its leases.
    std::optional<std::vector<Owner>> owners(); // sorted by name
    std::optional<Owner> owner(qint64 id);
    std::optional<qint64> addOwner(const Owner& owner);
    bool updateOwner(const Owner& owner); // refused as for a lease when read at another version
    // Refused, saying how many, while leases still belong to it.
    bool removeOwner(qint64 id, qint64 version = 0);
    // How many leases each owner holds, by owner id (owners without any are absent).
    std::optional<QHash<qint64, int>> leaseCountsByOwner();
    // The owner a lease without one goes to: the oldest one of the register.
    std::optional<Owner> defaultOwner();

    // The agency that manages the register; Agency{} (isSet() false) when none.
    std::optional<Agency> agency();
    // Sets it (or removes it, with an empty name); refused when validateAgency() fails.
    bool setAgency(const Agency& agency);

    // The landlord a desk's settings name ([BAILLEUR]), met at each opening:
    // the leases without an owner get it (one owner per kind when their kinds
    // differ, each saying so); when every lease has one and no owner has its
    // name and address, it is added as an owner of its own. What was done, as
    // a French sentence to show (empty: nothing to say); nullopt on failure.
    std::optional<QString> adoptLandlord(const QString& name, const QStringList& addressLines);

    // ---- The office's index figures (table index_figures, one row) ----
    // On a server every desk computes from them: the index file's text, byte
    // for byte as VELMARIS.TXT holds it, and a version that counts its changes.
    struct IndexFigures {
        QByteArray content; // empty when the register holds none
        qint64 version = 0; // 0 when it holds none
        QString updatedBy;  // who wrote them last (on a server, its role)
        QString updatedAt;  // when, ISO 8601 in UTC
    };
    std::optional<IndexFigures> indexFigures();
    // Their version alone (0: none), for a desk to tell cheaply whether they changed.
    std::optional<qint64> indexFiguresVersion();
    // Changes them in one transaction: the row locked (made when absent, so
    // that two desks never both make it), its text handed to merge, and what
    // merge gives, once it reads as an index file, written with the next
    // version, who and when. A merge that changes nothing writes nothing; one
    // that refuses writes nothing either, error() being its refusal
    // (StoreError::Refused). The figures as they are afterwards.
    std::optional<IndexFigures> mergeIndexFigures(const IndexMerge& merge);

    // Copies the whole register (leases with their ids, history, rents charged)
    // into target, which must be open, writable and hold no lease, in one
    // transaction of target's, and checks the counts before it commits.
    bool copyInto(LeaseStore& target);

private:
    bool connectServer();
    bool refuseOnServer(const QString& what);
    bool fail(const QString& message, StoreError kind = StoreError::Refused);
    bool failKind(StoreError kind);
    bool failSql(const QSqlError& error);
    bool checkWritable();
    int readVersion(bool* ok);
    // open()'s steps, each saying why it failed.
    bool checkFile();
    bool connectFile();
    bool prepareSchema();
    struct RevisionQueries;
    bool prepareRevisionQueries(RevisionQueries& queries);
    std::optional<qint64> recordRevision(const RevisionRecord& rec, qint64 leaseVersion,
                                         RevisionQueries& queries);
    // account: the system's account name, asked once for a whole list.
    QVariantList revisionValues(const RevisionRecord& rec, const QString& account);
    // Both batches: records checked in order against the leases as locked at
    // the start, then written in a few statements whatever their number.
    std::optional<std::vector<QString>> writeRevisions(const std::vector<RevisionRecord>& records,
                                                       const std::vector<qint64>& leaseVersions,
                                                       bool allOrNothing, int* failed);
    bool revisionStillApplies(const RevisionRecord& rec, qint64 leaseVersion, QSqlQuery& query);
    bool leaseExists(qint64 id);
    // Inside a write: the lease's owner (the default one for 0, made when the
    // register has none yet) and the landlord kind it gives; false, said,
    // when the owner is gone.
    bool settleOwner(Lease& lease);
    // Inside a transaction: a new owner's row, its id or nullopt (said).
    std::optional<qint64> insertOwner(const Owner& owner);
    std::optional<std::vector<Owner>> readOwners(const QString& where = QString());
    // An import's leases given their owners (inside its transaction).
    bool settleImportedOwners(std::vector<Lease>& leases, const std::vector<LineOwner>* owners);
    bool migrate(int from);
    bool makeBackup(int version);
    // keptAs: the copy never replaces a file; it takes target's name or the
    // next free one ("…-2.bak"), told in *keptAs. source: the connection the
    // copy is read through (the register's own when invalid).
    bool copyTo(const QString& target, const BackupLandlord* landlord, QString* keptAs = nullptr,
                QSqlDatabase source = {});
    // The register's schema on the server, made or moved there as creation allows.
    bool placeServerSchema();
    // What the server lets the connected role do with the register: read and
    // write, read only (m_readOnlyReason), or nothing (false, said).
    bool readPrivileges();
    // What a run killed while copying or restoring left beside the register.
    void removeLeftovers();
    // The register as it is, copied beside it under a dated name (*kept).
    bool keepCopy(QString* kept);
    // Replaces the leases, their history and rents charged by the copy's, in
    // one transaction; keepOld runs first, under its write lock.
    bool replaceFrom(const QString& copy, const std::function<bool()>& keepOld);
    void repairJournalModes();
    QSqlDatabase database() const;

    std::optional<RegisterServer> m_server;
    std::function<void()> m_changeListener;
    Progress m_progress;
    // Reports done of total to m_progress; false (the work fails, Canceled) when stopped.
    bool reportProgress(qint64 done, qint64 total);
    bool m_notified = false;
    bool m_connectionLost = false;
    QString m_connection;
    QString m_path;
    QString m_backup;
    QString m_error;
    StoreError m_errorKind = StoreError::None;
    qint64 m_dataVersion = -1;
    int m_busyTimeout = 1000;
    bool m_readOnly = false;
    QString m_readOnlyReason;
    Creation m_creation = Creation::Allowed;
};

} // namespace velmaris
