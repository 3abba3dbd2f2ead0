#pragma once

#include "chargedrent.h"
#include "lease.h"

#include <QString>

#include <optional>
#include <vector>

class QSqlDatabase;
class QSqlError;

namespace velmaris {

// The lease register on disk: one SQLite file, Velmaris.sqlite, in a folder
// the caller gives. Each store has its own connection, so that two stores (two
// windows, the window and the command line) may be open on one file at once.
//
// Every write runs in one transaction. A failure never ends the program: the
// call returns false (or nothing) and error() says why in French, ready for a
// message box; the file is left as it was and the caller can go on without the
// register.
class LeaseStore {
public:
    // The schema this program writes. Version 1 lacked the territory and the
    // prior revision, version 2 the rents charged; an older file is migrated at
    // open, after a copy of it is kept beside it (Velmaris.sqlite.v1.bak, .v2.bak).
    static constexpr int kSchemaVersion = 3;
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
    void close();
    bool isOpen() const;
    bool isReadOnly() const;
    QString path() const;       // full path of the file
    QString backupPath() const; // the copy made before a migration at the last open, or empty
    QString error() const;      // why the last call failed, in French

    // Leases. add gives the new lease's id; a lease that fails validateLease()
    // or whose reference exists already is refused.
    std::optional<qint64> addLease(const Lease& lease);
    bool updateLease(const Lease& lease);
    bool removeLease(qint64 id); // and its history
    std::optional<Lease> lease(qint64 id);
    std::optional<Lease> findLease(const QString& reference);
    std::optional<std::vector<Lease>> leases(); // sorted by reference

    // All the leases or none, in one transaction. Leases whose reference is in
    // the register already are refused: their positions in `leases` go to
    // *clashes (when given) and nothing is written.
    bool importLeases(const std::vector<Lease>& leases, std::vector<int>* clashes = nullptr);

    // The history, which only grows. appendRevision records a revision and sets
    // the lease's rent to its new rent, together; it refuses a record whose old
    // rent is no longer the lease's rent (computed before another change) or
    // whose revision date is not after the last one recorded.
    std::optional<qint64> appendRevision(const RevisionRecord& record);
    std::optional<std::vector<RevisionRecord>> history(qint64 leaseId); // oldest first
    // The latest record of every lease that has one: what the register needs.
    std::optional<std::vector<RevisionRecord>> lastRevisions();

    // The rents a lease was actually charged, what its audit checks: in month
    // order. setChargedRents replaces them all in one transaction, or changes
    // nothing when one fails validateChargedRents().
    std::optional<std::vector<ChargedRent>> chargedRents(qint64 leaseId);
    bool setChargedRents(qint64 leaseId, const std::vector<ChargedRent>& periods);

private:
    bool fail(const QString& message);
    bool failSql(const QSqlError& error);
    bool checkWritable();
    int readVersion(bool* ok);
    bool migrate(int from);
    bool makeBackup(int version);
    QSqlDatabase database() const;

    QString m_connection;
    QString m_path;
    QString m_backup;
    QString m_error;
    int m_busyTimeout = 1000;
    bool m_readOnly = false;
};

} // namespace velmaris
