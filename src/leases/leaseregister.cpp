// SPDX-License-Identifier: GPL-3.0-or-later
#include "leaseregister.h"

#include <QHash>

#include <algorithm>

namespace velmaris {

std::vector<RegisterLine> registerLines(const std::vector<Lease>& leases,
                                        const std::vector<RevisionRecord>& lastRevisions,
                                        const IndexTable& table, const QDate& today, bool dueOnly)
{
    QHash<qint64, const RevisionRecord*> last;
    last.reserve(qsizetype(lastRevisions.size()));
    for (const RevisionRecord& rec : lastRevisions) {
        const RevisionRecord*& slot = last[rec.leaseId];
        if (!slot || rec.dueDate > slot->dueDate)
            slot = &rec;
    }

    std::vector<RegisterLine> lines;
    lines.reserve(leases.size());
    for (const Lease& lease : leases) {
        RegisterLine line;
        line.lease = &lease;
        line.status = dueStatus(lease, last.value(lease.id, nullptr), table, today);
        if (!dueOnly || line.status.isDue())
            lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end(), [](const RegisterLine& a, const RegisterLine& b) {
        if (a.status.due != b.status.due)
            return a.status.due < b.status.due;
        return a.lease->reference < b.lease->reference;
    });
    return lines;
}

} // namespace velmaris
