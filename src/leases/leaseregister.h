// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "duedates.h"
#include "indextable.h"
#include "lease.h"

#include <QDate>

#include <vector>

namespace velmaris {

// One line of the register: the lease and where it stands.
struct RegisterLine {
    const Lease* lease = nullptr; // points into the vector given to registerLines()
    DueStatus status;
};

// Every lease with its status at `today`, sorted by the revision date in
// question, then by reference. lastRevisions holds at most the latest record
// of each lease (as LeaseStore::lastRevisions() gives them), in any order.
// With dueOnly, only the leases to revise now (due, or with a year lost).
std::vector<RegisterLine> registerLines(const std::vector<Lease>& leases,
                                        const std::vector<RevisionRecord>& lastRevisions,
                                        const IndexTable& table, const QDate& today,
                                        bool dueOnly = false);

} // namespace velmaris
