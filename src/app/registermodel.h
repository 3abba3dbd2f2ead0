// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "leaseregister.h"
#include "owner.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QSortFilterProxyModel>

#include <vector>

namespace velmaris {

// The leases of the register as a table, one row per lease, in the order of
// registerLines(). Texts are written when the view asks for them, so that ten
// thousand leases cost ten thousand statuses and nothing more.
class RegisterModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column {
        Reference,
        Tenant,
        OwnerColumn,
        TerritoryColumn,
        Rent,
        NextDue,
        Status,
        ColumnCount
    };
    // What the proxy sorts on: the date, the cents, the plain text.
    static constexpr int SortRole = Qt::UserRole;
    static constexpr int LeaseIdRole = Qt::UserRole + 1;

    using QAbstractTableModel::QAbstractTableModel;

    // Replaces every lease and computes where each stands at `today`.
    void setLeases(std::vector<Lease> leases, std::vector<RevisionRecord> lastRevisions,
                   const IndexTable& table, const QDate& today);
    // The owners' names the "Bailleur" column shows; a lease without an owner
    // is the default owner's (fallback). Set before the leases.
    void setOwners(const std::vector<Owner>& owners, qint64 fallback);
    // Computes the statuses again: the index table changed, or the day did.
    void refresh(const IndexTable& table, const QDate& today);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    const Lease* leaseAt(int row) const;
    const DueStatus* statusAt(int row) const;
    int rowOfLease(qint64 id) const; // -1 when it is not in the register
    qint64 ownerIdAt(int row) const; // the default owner's for a lease without one
    int leaseCount() const { return int(m_lines.size()); }
    int dueCount() const; // leases to revise now
    // Reference and tenant, lower case and without accents, for the search box.
    const QString& searchKey(int row) const { return m_searchKeys[std::size_t(row)]; }

    // Text folded the way searchKey() is.
    static QString folded(const QString& text);

private:
    void computeLines(const IndexTable& table, const QDate& today);

    std::vector<Lease> m_leases; // the lines point into it: replaced only with them
    std::vector<RevisionRecord> m_last;
    std::vector<RegisterLine> m_lines;
    std::vector<QString> m_searchKeys;
    QHash<qint64, QString> m_ownerNames;
    qint64 m_fallbackOwner = 0;
};

// The search box's filter (reference or tenant, case and accents aside), the
// owner's (« Bailleur : »), and the sorting of the headings.
class RegisterFilter : public QSortFilterProxyModel {
    Q_OBJECT

public:
    explicit RegisterFilter(QObject* parent = nullptr);
    void setSearch(const QString& text);
    // Only that owner's leases; 0: every owner's.
    void setOwner(qint64 id);
    qint64 owner() const { return m_owner; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    QString m_search; // folded
    qint64 m_owner = 0;
};

} // namespace velmaris
