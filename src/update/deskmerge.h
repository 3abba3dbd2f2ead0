// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "indexchange.h"

#include <QByteArray>
#include <QDate>

namespace velmaris {

// The office's figures (a shared register's) completed by what a desk's own
// index file holds besides them, by the rules of every other merge:
//
// - A quarter both hold keeps the office's values and date. A value the desk
//   gives otherwise is refused and named: a published value never changes. A
//   value the office lacks (a regional column) is filled in from the desk's,
//   and the header says from where.
// - The desk's quarters newer than the office's newest go on top, its quarters
//   older than the office's oldest below, as the desk's file writes them; one
//   the desk typed by hand keeps its mark, so that INSEE may still correct it.
// - The result must read as an index file (no quarter missing between the
//   two, the ±25 % rule...), or nothing changes.
//
// No bytes when the desk adds nothing. Empty office figures take the desk's
// file whole.
IndexChange mergeDeskIndex(const QByteArray& office, const QByteArray& desk, const QDate& today);

} // namespace velmaris
