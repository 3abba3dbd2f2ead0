// SPDX-License-Identifier: GPL-3.0-or-later
// The register's revision dates as an iCalendar file, written by libical.
#include "calendarexport.h"

#include "dates.h"
#include "duedates.h"
#include "leasestore.h"
#include "postaladdress.h"
#include "safefile.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QHash>

#include <libical/ical.h>

#include <algorithm>
#include <memory>

namespace velmaris {

namespace {

void addEvent(std::vector<CalendarEvent>& events, const Lease& lease, CalendarKind kind,
              const QDate& day, const QDate& due, bool frozen)
{
    CalendarEvent e;
    e.kind = kind;
    e.day = day;
    e.due = due;
    e.deadline = revisionDeadline(lease, due);
    e.frozen = frozen;
    e.leaseId = lease.id;
    e.reference = lease.reference;
    e.tenant = lease.tenant;
    e.dwelling = dwellingText(lease);
    events.push_back(std::move(e));
}

} // namespace

std::vector<CalendarEvent> calendarEvents(const std::vector<Lease>& leases,
                                          const std::vector<RevisionRecord>& lastRevisions,
                                          const IndexTable& table, const QDate& today, int months)
{
    QHash<qint64, const RevisionRecord*> lastOf;
    for (const RevisionRecord& rec : lastRevisions) {
        const RevisionRecord*& slot = lastOf[rec.leaseId];
        if (!slot || rec.dueDate > slot->dueDate)
            slot = &rec;
    }
    const QDate end = today.addMonths(months);
    const auto within = [&](const QDate& d) { return d.isValid() && d >= today && d <= end; };
    std::vector<CalendarEvent> events;
    for (const Lease& lease : leases) {
        const DueStatus status = dueStatus(lease, lastOf.value(lease.id), table, today);
        // The date in question, then one a year while the span lasts: a due
        // revision's date has passed, its last day and the next date have not.
        for (QDate due = status.due; due.isValid() && due <= end;
             due = revisionDateIn(lease, due.year() + 1)) {
            const bool frozen = rentFrozenAt(lease, due);
            if (within(due))
                addEvent(events, lease, CalendarKind::Revision, due, due, frozen);
            const QDate lastDay = revisionDeadline(lease, due).addDays(-1);
            if (!frozen && within(lastDay))
                addEvent(events, lease, CalendarKind::LastDay, lastDay, due, frozen);
        }
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const CalendarEvent& a, const CalendarEvent& b) {
                         if (a.day != b.day)
                             return a.day < b.day;
                         if (a.reference != b.reference)
                             return a.reference < b.reference;
                         return a.kind < b.kind;
                     });
    return events;
}

QString calendarUid(const CalendarEvent& event, const QString& registerKey)
{
    const QString kind = event.kind == CalendarKind::Revision ? QStringLiteral("revision")
                                                              : QStringLiteral("dernier-jour");
    QString uid =
        kind + u'-' + QString::number(event.leaseId) + u'-' + event.due.toString(u"yyyyMMdd");
    if (!registerKey.isEmpty())
        uid += u'-' + registerKey;
    return uid + QStringLiteral("@velmaris");
}

QString calendarRegisterKey(const LeaseStore& store)
{
    QString identity = store.path();
    if (store.isServer()) {
        // "user@host:port/base": the account differs from desk to desk.
        identity = identity.mid(identity.lastIndexOf(u'@') + 1).toLower();
    } else if (const QString canonical = QFileInfo(identity).canonicalFilePath();
               !canonical.isEmpty()) {
        identity = canonical;
    }
    if (identity.isEmpty())
        return {};
    const QByteArray digest =
        QCryptographicHash::hash(identity.toUtf8(), QCryptographicHash::Sha1).toHex();
    return QString::fromLatin1(digest.left(8));
}

namespace {

struct ComponentFree {
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

icaltimetype icalDate(const QDate& d)
{
    icaltimetype t = icaltime_null_date();
    t.year = d.year();
    t.month = d.month();
    t.day = d.day();
    return t;
}

QString summaryOf(const CalendarEvent& e)
{
    if (e.kind == CalendarKind::LastDay)
        return QStringLiteral("Dernier jour pour demander la révision — bail ") + e.reference;
    QString text = QStringLiteral("Révision du loyer — bail ") + e.reference;
    if (!e.tenant.trimmed().isEmpty())
        text += QStringLiteral(" (") + e.tenant.trimmed() + u')';
    if (e.frozen)
        text += QStringLiteral(" — loyer gelé");
    return text;
}

QString descriptionOf(const CalendarEvent& e)
{
    QString text = QStringLiteral("Bail ") + e.reference;
    if (!e.tenant.trimmed().isEmpty())
        text += QStringLiteral(" — ") + e.tenant.trimmed();
    if (!e.dwelling.isEmpty())
        text += u'\n' + e.dwelling;
    text += QStringLiteral("\n\n");
    if (e.kind == CalendarKind::LastDay) {
        text += QStringLiteral("Dernier jour pour demander au locataire la révision du loyer du "
                               "%1\u00a0: demandée plus tard, la révision de cette année est "
                               "perdue. Dans Velmaris, fenêtre «\u00a0Baux\u00a0»\u00a0: "
                               "«\u00a0Réviser\u00a0» pour le calcul, puis «\u00a0Lettre\u00a0» "
                               "pour la demande.")
                    .arg(dateText(e.due));
    } else if (e.frozen) {
        text += QStringLiteral("Loyer gelé (logement classé F ou G)\u00a0: aucune révision ne "
                               "peut être demandée à cette date\u00a0; le loyer reste le même.");
    } else {
        text += QStringLiteral("Le loyer peut être révisé à compter du %1. Demandez la révision "
                               "au locataire au plus tard le %2 (dans Velmaris, fenêtre "
                               "«\u00a0Baux\u00a0»\u00a0: «\u00a0Réviser\u00a0», puis "
                               "«\u00a0Lettre\u00a0»).")
                    .arg(dateText(e.due), dateText(e.deadline.addDays(-1)));
    }
    return text;
}

void addText(icalcomponent* c, icalproperty* (*make)(const char*), const QString& text)
{
    icalcomponent_add_property(c, make(text.toUtf8().constData()));
}

icalcomponent* alarmOf(const CalendarEvent& e, const QString& summary)
{
    // At 9 o'clock: on the revision date, a week before the last day.
    const int hour = 3600;
    const int seconds = e.kind == CalendarKind::LastDay ? -(7 * 24 - 9) * hour : 9 * hour;
    icaltriggertype trigger{};
    trigger.time = icaltime_null_time();
    trigger.duration = icaldurationtype_from_int(seconds);
    icalcomponent* alarm = icalcomponent_new_valarm();
    icalcomponent_add_property(alarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
    icalcomponent_add_property(alarm, icalproperty_new_trigger(trigger));
    addText(alarm, icalproperty_new_description, summary);
    return alarm;
}

} // namespace

QByteArray calendarText(const std::vector<CalendarEvent>& events, const QString& registerKey,
                        const QDateTime& stamp)
{
    Component calendar(icalcomponent_new_vcalendar());
    icalcomponent* cal = calendar.get();
    icalcomponent_add_property(cal, icalproperty_new_version("2.0"));
    icalcomponent_add_property(cal, icalproperty_new_prodid("-//Velmaris//Velmaris 1.0//FR"));
    icalcomponent_add_property(cal, icalproperty_new_calscale("GREGORIAN"));
    const QDateTime utc = stamp.toUTC();
    icaltimetype now =
        icaltime_from_timet_with_zone(utc.toSecsSinceEpoch(), 0, icaltimezone_get_utc_timezone());
    for (const CalendarEvent& e : events) {
        icalcomponent* event = icalcomponent_new_vevent();
        addText(event, icalproperty_new_uid, calendarUid(e, registerKey));
        icalcomponent_add_property(event, icalproperty_new_dtstamp(now));
        icalcomponent_add_property(event, icalproperty_new_dtstart(icalDate(e.day)));
        icalcomponent_add_property(event, icalproperty_new_dtend(icalDate(e.day.addDays(1))));
        const QString summary = summaryOf(e);
        addText(event, icalproperty_new_summary, summary);
        addText(event, icalproperty_new_description, descriptionOf(e));
        // A reminder, not a busy day.
        icalcomponent_add_property(event, icalproperty_new_transp(ICAL_TRANSP_TRANSPARENT));
        icalcomponent_add_component(event, alarmOf(e, summary));
        icalcomponent_add_component(cal, event);
    }
    char* text = icalcomponent_as_ical_string_r(cal);
    QByteArray bytes(text ? text : "");
    icalmemory_free_buffer(text);
    return bytes;
}

bool exportCalendar(LeaseStore& store, const IndexTable& table, const QString& path,
                    const QDate& today, int months, QString* error, int* written)
{
    const auto leases = store.leases();
    const auto last = leases ? store.lastRevisions() : std::nullopt;
    if (!leases || !last) {
        if (error)
            *error = store.error();
        return false;
    }
    const std::vector<CalendarEvent> events = calendarEvents(*leases, *last, table, today, months);
    QString reason;
    if (!writeFileSafely(
            path, calendarText(events, calendarRegisterKey(store), QDateTime::currentDateTimeUtc()),
            &reason)) {
        if (error)
            *error = QStringLiteral("Export du calendrier impossible\u00a0: ") + reason + u'.';
        return false;
    }
    if (written)
        *written = int(events.size());
    return true;
}

} // namespace velmaris
