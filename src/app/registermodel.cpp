// SPDX-License-Identifier: GPL-3.0-or-later
#include "registermodel.h"

#include "amounts.h"
#include "dates.h"

#include <QColor>

#include <algorithm>

namespace velmaris {

namespace {

// Statuses sort by what needs doing first: lost, due, frozen, up to date,
// then by their date.
qint64 statusKey(const DueStatus& s)
{
    int rank = 3;
    QDate when = s.due;
    switch (s.state) {
    case DueState::Lost:
        rank = 0;
        when = s.lostOn;
        break;
    case DueState::Due:
        rank = 1;
        when = s.deadline;
        break;
    case DueState::Frozen:
        rank = 2;
        break;
    case DueState::UpToDate:
        break;
    }
    return qint64(rank) * 100'000'000 + (when.isValid() ? when.toJulianDay() : 0);
}

} // namespace

QString RegisterModel::folded(const QString& text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_D).toCaseFolded();
    QString plain;
    plain.reserve(decomposed.size());
    for (QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            plain += c;
    }
    return plain;
}

void RegisterModel::setLeases(std::vector<Lease> leases, std::vector<RevisionRecord> lastRevisions,
                              const IndexTable& table, const QDate& today)
{
    beginResetModel();
    m_lines.clear();
    m_leases = std::move(leases);
    m_last = std::move(lastRevisions);
    computeLines(table, today);
    endResetModel();
}

void RegisterModel::setOwners(const std::vector<Owner>& owners, qint64 fallback)
{
    m_ownerNames.clear();
    for (const Owner& o : owners)
        m_ownerNames.insert(o.id, o.name);
    m_fallbackOwner = fallback;
    if (!m_lines.empty())
        emit dataChanged(index(0, OwnerColumn), index(rowCount() - 1, OwnerColumn));
}

void RegisterModel::refresh(const IndexTable& table, const QDate& today)
{
    beginResetModel();
    computeLines(table, today);
    endResetModel();
}

void RegisterModel::computeLines(const IndexTable& table, const QDate& today)
{
    m_lines = registerLines(m_leases, m_last, table, today);
    m_searchKeys.clear();
    m_searchKeys.reserve(m_lines.size());
    for (const RegisterLine& line : m_lines)
        m_searchKeys.push_back(folded(line.lease->reference) + u'\n' + folded(line.lease->tenant));
}

int RegisterModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_lines.size());
}

int RegisterModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RegisterModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_lines.size()))
        return {};
    const RegisterLine& line = m_lines[std::size_t(index.row())];
    const Lease& lease = *line.lease;
    const DueStatus& status = line.status;

    if (role == LeaseIdRole)
        return lease.id;
    if (role == Qt::TextAlignmentRole)
        return index.column() == Rent ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                      : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    if (role == Qt::ForegroundRole && index.column() == Status) {
        if (status.state == DueState::Lost)
            return QColor(176, 0, 0);
        if (status.state == DueState::Due)
            return QColor(160, 82, 0);
        return {};
    }
    if (role == SortRole) {
        switch (index.column()) {
        case Reference:
            return lease.reference;
        case Tenant:
            return lease.tenant;
        case OwnerColumn:
            return m_ownerNames.value(ownerIdAt(index.row()));
        case TerritoryColumn:
            return territoryText(lease.territory);
        case Rent:
            return lease.rentCents;
        case NextDue:
            return status.due;
        case Status:
            return statusKey(status);
        default:
            return {};
        }
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    switch (index.column()) {
    case Reference:
        return lease.reference;
    case Tenant:
        return lease.tenant;
    case OwnerColumn:
        return m_ownerNames.value(ownerIdAt(index.row()));
    case TerritoryColumn:
        return territoryText(lease.territory);
    case Rent:
        return eurosText(lease.rentCents);
    case NextDue:
        return dateText(status.due);
    case Status:
        return status.text();
    default:
        return {};
    }
}

QVariant RegisterModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Reference:
        return QStringLiteral("Référence");
    case Tenant:
        return QStringLiteral("Locataire");
    case OwnerColumn:
        return QStringLiteral("Bailleur");
    case TerritoryColumn:
        return QStringLiteral("Territoire");
    case Rent:
        return QStringLiteral("Loyer");
    case NextDue:
        return QStringLiteral("Révision");
    case Status:
        return QStringLiteral("État");
    default:
        return {};
    }
}

const Lease* RegisterModel::leaseAt(int row) const
{
    return row >= 0 && row < int(m_lines.size()) ? m_lines[std::size_t(row)].lease : nullptr;
}

const DueStatus* RegisterModel::statusAt(int row) const
{
    return row >= 0 && row < int(m_lines.size()) ? &m_lines[std::size_t(row)].status : nullptr;
}

int RegisterModel::rowOfLease(qint64 id) const
{
    for (std::size_t r = 0; r < m_lines.size(); ++r) {
        if (m_lines[r].lease->id == id)
            return int(r);
    }
    return -1;
}

qint64 RegisterModel::ownerIdAt(int row) const
{
    const Lease* lease = leaseAt(row);
    if (!lease)
        return 0;
    return lease->ownerId ? lease->ownerId : m_fallbackOwner;
}

int RegisterModel::dueCount() const
{
    return int(std::count_if(m_lines.begin(), m_lines.end(),
                             [](const RegisterLine& line) { return line.status.isDue(); }));
}

RegisterFilter::RegisterFilter(QObject* parent)
    : QSortFilterProxyModel(parent)
{
    setSortRole(RegisterModel::SortRole);
    setSortCaseSensitivity(Qt::CaseInsensitive);
    setSortLocaleAware(true);
}

void RegisterFilter::setSearch(const QString& text)
{
    const QString search = RegisterModel::folded(text.trimmed());
    if (search == m_search)
        return;
    m_search = search;
    invalidateFilter();
}

void RegisterFilter::setOwner(qint64 id)
{
    if (id == m_owner)
        return;
    m_owner = id;
    invalidateFilter();
}

bool RegisterFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const
{
    const auto* model = static_cast<const RegisterModel*>(sourceModel());
    if (m_owner != 0 && model->ownerIdAt(sourceRow) != m_owner)
        return false;
    return m_search.isEmpty() || model->searchKey(sourceRow).contains(m_search);
}

} // namespace velmaris
