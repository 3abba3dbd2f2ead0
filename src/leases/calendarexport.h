// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "indextable.h"
#include "lease.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>

#include <vector>

namespace velmaris {

class LeaseStore;

// The dates of the register a calendar program keeps in view.
enum class CalendarKind {
    Revision, // the revision date: the rent may be revised from that day
    LastDay,  // the last day to ask that revision before it is lost
};

// One all-day event of the calendar.
struct CalendarEvent {
    CalendarKind kind = CalendarKind::Revision;
    QDate day;           // the event's own day
    QDate due;           // the revision date it belongs to
    QDate deadline;      // that revision must be asked before this date
    bool frozen = false; // F/G dwelling: no revision may be asked at `due`
    qint64 leaseId = 0;
    QString reference;
    QString tenant;
    QString dwelling; // "8 rue Paul Bert, 69003 Lyon"
};

// The default span of a calendar, and the longest one, in months.
inline constexpr int kCalendarMonths = 12;
inline constexpr int kMaxCalendarMonths = 120;

// The events of every lease from today to `months` months later, both days
// included, by day then reference: each revision date of the lease from the
// one its status names (dueStatus()), and the day before its deadline, which
// a frozen revision lacks (nothing to ask). lastRevisions: the register's
// latest record of each lease (LeaseStore::lastRevisions()).
std::vector<CalendarEvent> calendarEvents(const std::vector<Lease>& leases,
                                          const std::vector<RevisionRecord>& lastRevisions,
                                          const IndexTable& table, const QDate& today,
                                          int months = kCalendarMonths);

// "revision-12-20260315-1a2b3c4d@velmaris": the same for the same revision of
// the same register at every export, so that a calendar program updates the
// event instead of adding it twice. registerKey may be empty.
QString calendarUid(const CalendarEvent& event, const QString& registerKey);

// "1a2b3c4d": the register in a UID, from its file or its server and base
// (never the desk's account, so that every desk of an office agrees).
QString calendarRegisterKey(const LeaseStore& store);

// The iCalendar file (RFC 5545, UTF-8, lines folded at 75 octets) of the
// events, each with a reminder; stamp: when it is written.
QByteArray calendarText(const std::vector<CalendarEvent>& events, const QString& registerKey,
                        const QDateTime& stamp);

// The register's calendar written to path atomically (writeFileSafely()).
// False with the reason in French; *written: the number of events.
bool exportCalendar(LeaseStore& store, const IndexTable& table, const QString& path,
                    const QDate& today, int months, QString* error, int* written = nullptr);

} // namespace velmaris
