// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audit.h"
#include "lease.h"
#include "owner.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace velmaris {

// The printed audit of a lease as texts and tables, before it is laid out on
// pages (auditlayout.h) and painted (auditprinter.h).

enum class AuditStyle { Title, Heading, Body, Small };

// A column of a table: its share of the width between the margins.
struct AuditColumn {
    double share = 1;
    bool right = false; // amounts are aligned on the right
};

struct AuditBlock {
    enum class Kind { Paragraph, Row };
    Kind kind = Kind::Paragraph;
    AuditStyle style = AuditStyle::Body;
    QString text; // a paragraph; "\n" starts a new line
    bool indented = false;
    int table = -1;        // a row: index into AuditReport::tables
    QStringList cells;     // a row: one text per column, "\n" starts a new line
    bool headings = false; // a row of headings: repeated at the top of a page the table runs on to
    bool bold = false;     // a row of totals
};

struct AuditReport {
    QString title;
    QString author; // who establishes it: the agency, or the owner; for the PDF's information
    QString footer; // on every page, beside the page number
    std::vector<std::vector<AuditColumn>> tables;
    std::vector<AuditBlock> blocks; // in reading order, the title first
};

// The tables of the report, in the order they come.
inline constexpr int kAuditLeaseTable = 0; // label, value
inline constexpr int kAuditRevisionTable =
    1;                                     // due date, indices, lawful, charged, difference, causes
inline constexpr int kAuditMonthTable = 2; // month, charged, lawful, difference, mark

// "prescrit": the mark of a month past the tenant's three-year limit.
QString timeBarredMark();

// Who the report is established by: its first line, « Établi par Agence du
// Parc pour le compte de Jean Martin » when an agency manages the register,
// else « Bailleur : Jean Martin »; and the name alone, the PDF's author.
struct AuditAuthor {
    QString line;
    QString name;
};
AuditAuthor auditAuthor(const Owner& owner, const Agency& agency);

// The report of an audit of that lease: who establishes it (auditAuthor(),
// none when empty); the lease; the result; each revision from the start with
// its lawful indices and rents beside the rent charged; every difference
// explained; the months with their totals and what is still claimable.
AuditReport auditReport(const Lease& lease, const Audit& audit, const AuditAuthor& author = {});

} // namespace velmaris
