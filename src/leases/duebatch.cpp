// SPDX-License-Identifier: GPL-3.0-or-later
#include "duebatch.h"

#include "leaseregister.h"
#include "leasestore.h"

#include <QHash>

namespace velmaris {

int DueBatch::recordableCount() const
{
    int n = 0;
    for (const DueRevision& item : items)
        n += item.recordable() ? 1 : 0;
    return n;
}

int DueBatch::recordedCount() const
{
    int n = 0;
    for (const DueRevision& item : items)
        n += item.recorded ? 1 : 0;
    return n;
}

std::optional<DueBatch> planDueRevisions(LeaseStore& store, const IndexTable& table,
                                         const QDate& date)
{
    const auto leases = store.leases();
    const auto last = leases ? store.lastRevisions() : std::nullopt;
    if (!leases || !last)
        return std::nullopt;
    QHash<qint64, const RevisionRecord*> lastOf;
    lastOf.reserve(qsizetype(last->size()));
    for (const RevisionRecord& rec : *last)
        lastOf.insert(rec.leaseId, &rec);
    DueBatch batch;
    batch.date = date;
    for (const RegisterLine& line : registerLines(*leases, *last, table, date, true)) {
        DueRevision item;
        item.lease = *line.lease;
        std::vector<RevisionRecord> history;
        if (const RevisionRecord* rec = lastOf.value(item.lease.id))
            history.push_back(*rec);
        item.revision = reviseLease(item.lease, history, table, date);
        if (item.revision.frozen)
            item.reason = QStringLiteral("loyer gelé (logement classé F ou G)\u00a0: rien à "
                                         "enregistrer");
        else if (!item.revision.computed)
            item.reason =
                item.revision.error.isEmpty() ? item.revision.status.text() : item.revision.error;
        else if (!item.revision.status.reached)
            item.reason = item.revision.status.text();
        // The explanation goes into the record's notes once: a batch of a
        // hundred thousand leases does not keep it twice.
        if (item.recordable())
            item.record = item.revision.record(item.lease.id);
        item.revision.lines.clear();
        item.revision.lines.shrink_to_fit();
        batch.items.push_back(std::move(item));
    }
    return batch;
}

bool applyDueRevisions(LeaseStore& store, DueBatch& batch)
{
    std::vector<RevisionRecord> records;
    std::vector<qint64> versions;
    std::vector<DueRevision*> sent;
    for (DueRevision& item : batch.items) {
        if (!item.recordable())
            continue;
        records.push_back(std::move(item.record));
        versions.push_back(item.lease.version);
        sent.push_back(&item);
    }
    if (records.empty())
        return true;
    const auto reasons = store.appendApplicable(records, versions);
    if (!reasons)
        return false;
    for (std::size_t i = 0; i < sent.size(); ++i) {
        sent[i]->recorded = (*reasons)[i].isEmpty();
        sent[i]->reason = (*reasons)[i];
    }
    return true;
}

} // namespace velmaris
