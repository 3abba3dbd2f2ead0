// SPDX-License-Identifier: GPL-3.0-or-later
// The calendar of revision dates: which days each lease gets, and the file as
// an independent iCalendar reader (Python's icalendar) reads it back.
#include "calendarexport.h"
#include "leasefixture.h"
#include "testmain.h"
#include "testsupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace velmaris;
using namespace velmaris::test;

namespace {

const QDate kToday(2026, 3, 1);

// Revised each year on its start date's day and month, last on `prior`.
Lease lease(qint64 id, const char* reference, const char* start, const char* prior)
{
    Lease l = makeLease(QString::fromLatin1(reference), day(start), 85000);
    l.id = id;
    l.town = QStringLiteral("Lyon");
    if (prior)
        l.priorRevision = day(prior);
    return l;
}

// "R 15/03/2026", "D 14/03/2027" (dernier jour), "R* …" for a frozen revision.
QStringList described(const std::vector<CalendarEvent>& events)
{
    QStringList list;
    for (const CalendarEvent& e : events) {
        const QString kind = e.kind == CalendarKind::LastDay ? u"D "_qs
                             : e.frozen                      ? u"R* "_qs
                                                             : u"R "_qs;
        list << kind + e.day.toString(u"dd/MM/yyyy");
    }
    return list;
}

// Python's reader: each file's calendar and events, as JSON.
const char* const kReader = R"(
import json, sys, icalendar
def event(ev):
    return {'uid': str(ev['uid']), 'start': ev.decoded('dtstart').isoformat(),
            'end': ev.decoded('dtend').isoformat(), 'summary': str(ev['summary']),
            'description': str(ev['description']),
            'alarms': [[str(a['action']), int(a.decoded('trigger').total_seconds()),
                        str(a['description'])] for a in ev.walk('VALARM')]}
out = []
for path in sys.argv[1:]:
    cal = icalendar.Calendar.from_ical(open(path, 'rb').read())
    out.append({'prodid': str(cal['prodid']), 'version': str(cal['version']),
                'events': [event(ev) for ev in cal.walk('VEVENT')]})
print(json.dumps(out))
)";

// The Debian package serves the system's python3, which another one first in
// PATH may hide.
QJsonArray readBack(const QStringList& paths, QString* skip)
{
    *skip = QStringLiteral("python3-icalendar missing");
    for (const QString& program : {u"python3"_qs, u"/usr/bin/python3"_qs}) {
        QProcess python;
        python.start(program,
                     QStringList{QStringLiteral("-c"), QString::fromLatin1(kReader)} + paths);
        if (!python.waitForFinished(30000) || python.exitStatus() != QProcess::NormalExit)
            continue;
        const QByteArray err = python.readAllStandardError();
        if (python.exitCode() == 0) {
            skip->clear();
            return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
        }
        if (!err.contains("No module named 'icalendar'")) {
            // The reader refused the file: a failure, not a skip.
            skip->clear();
            qWarning("%s", err.constData());
            return {};
        }
    }
    return {};
}

} // namespace

class CalendarExportTest : public QObject {
    Q_OBJECT

private slots:
    void events_data();
    void events();
    void readBackByAnotherReader();
};

void CalendarExportTest::events_data()
{
    QTest::addColumn<Lease>("l");
    QTest::addColumn<int>("months");
    QTest::addColumn<QStringList>("expected");

    const Lease upToDate = lease(1, "A-1", "15/03/2020", "15/03/2025");
    QTest::newRow("coming date, its last day beyond the span")
        << upToDate << 12 << QStringList{u"R 15/03/2026"_qs};
    QTest::newRow("longer span: the last day, then the next date")
        << upToDate << 13
        << QStringList{u"R 15/03/2026"_qs, u"D 14/03/2027"_qs, u"R 15/03/2027"_qs};
    QTest::newRow("due: its last day to come, and next year’s date")
        << lease(2, "A-2", "10/01/2020", "10/01/2025") << 12
        << QStringList{u"D 09/01/2027"_qs, u"R 10/01/2027"_qs};
    QTest::newRow("last day today counts") << lease(3, "A-3", "02/03/2020", "02/03/2024") << 1
                                           << QStringList{u"D 01/03/2026"_qs, u"R 02/03/2026"_qs};
    QTest::newRow("years lost: only the one still open")
        << lease(4, "A-4", "01/06/2019", "01/06/2021") << 6
        << QStringList{u"D 31/05/2026"_qs, u"R 01/06/2026"_qs};

    Lease frozen = lease(5, "A-5", "01/09/2022", "01/09/2025");
    frozen.dpeClass = DpeClass::G;
    QTest::newRow("frozen: the date, nothing to ask")
        << frozen << 12 << QStringList{u"R* 01/09/2026"_qs};

    Lease leap = lease(6, "A-6", "29/02/2016", "01/03/2025");
    QTest::newRow("29 February falls on 1 March")
        << leap << 13 << QStringList{u"R 01/03/2026"_qs, u"D 28/02/2027"_qs, u"R 01/03/2027"_qs};
    Lease undated = lease(7, "A-7", "01/01/2020", nullptr);
    undated.startDate = QDate();
    QTest::newRow("no start date") << undated << 12 << QStringList{};
}

void CalendarExportTest::events()
{
    QFETCH(Lease, l);
    QFETCH(int, months);
    QFETCH(QStringList, expected);
    QCOMPARE(described(calendarEvents({l}, {}, realTable(), kToday, months)), expected);
}

void CalendarExportTest::readBackByAnotherReader()
{
    Lease a = lease(12, "A-12", "15/03/2020", "15/03/2025");
    a.tenant = QStringLiteral("Mme Hélène Lefèvre-Château");
    a.address = QStringLiteral("Résidence « Les Érables », bâtiment Ü, 8 rue de l'Évêché");
    Lease b = lease(13, "B-7", "10/01/2020", "10/01/2024");
    RevisionRecord applied = revisionOf(b, day("10/01/2025"), 86000);
    const auto events = calendarEvents({a, b}, {applied}, realTable(), kToday);
    QCOMPARE(described(events),
             (QStringList{u"R 15/03/2026"_qs, u"D 09/01/2027"_qs, u"R 10/01/2027"_qs}));

    // Written on two days running: the same events, the same UIDs.
    QTemporaryDir dir;
    QStringList paths;
    QByteArray text;
    for (int days = 0; days < 2; ++days) {
        const QDate today = kToday.addDays(days);
        text = calendarText(calendarEvents({a, b}, {applied}, realTable(), today), u"c0ffee00"_qs,
                            QDateTime(today, QTime(8, 30), Qt::UTC));
        paths << dir.filePath(QStringLiteral("baux%1.ics").arg(days));
        test::writeAll(paths.back(), text);
    }
    // Folded at 75 octets, CRLF, never inside a character.
    for (const QByteArray& line : text.split('\n')) {
        QVERIFY2(line.isEmpty() || line.endsWith('\r'), line.constData());
        QVERIFY2(line.size() <= 76, line.constData());
        QVERIFY2(QString::fromUtf8(line).toUtf8() == line, line.constData());
    }
    QString skip;
    const QJsonArray files = readBack(paths, &skip);
    if (!skip.isEmpty())
        QSKIP(qPrintable(skip));
    QCOMPARE(files.size(), 2);
    const QJsonObject cal = files[0].toObject();
    QCOMPARE(cal[u"prodid"].toString(), u"-//Velmaris//Velmaris 1.0//FR"_qs);
    QCOMPARE(cal[u"version"].toString(), u"2.0"_qs);
    const QJsonArray read = cal[u"events"].toArray();
    QCOMPARE(read.size(), 3);
    const QJsonArray nextDay = files[1][u"events"].toArray();
    QCOMPARE(nextDay.size(), read.size());
    for (qsizetype i = 0; i < read.size(); ++i)
        QCOMPARE(nextDay[i][u"uid"], read[i][u"uid"]);

    struct Expected {
        const char *uid, *start, *end, *summary;
        int trigger; // seconds from the day's start
    };
    const Expected expected[] = {
        {"revision-12-20260315-c0ffee00@velmaris", "2026-03-15", "2026-03-16",
         "Révision du loyer — bail A-12 (Mme Hélène Lefèvre-Château)", 9 * 3600},
        {"dernier-jour-13-20260110-c0ffee00@velmaris", "2027-01-09", "2027-01-10",
         "Dernier jour pour demander la révision — bail B-7", -(7 * 24 - 9) * 3600},
        {"revision-13-20270110-c0ffee00@velmaris", "2027-01-10", "2027-01-11",
         "Révision du loyer — bail B-7 (Mme Durand)", 9 * 3600},
    };
    for (int i = 0; i < 3; ++i) {
        const QJsonObject e = read[i].toObject();
        QCOMPARE(e[u"uid"].toString(), QString::fromUtf8(expected[i].uid));
        QCOMPARE(e[u"start"].toString(), QString::fromUtf8(expected[i].start));
        QCOMPARE(e[u"end"].toString(), QString::fromUtf8(expected[i].end));
        QCOMPARE(e[u"summary"].toString(), QString::fromUtf8(expected[i].summary));
        const QJsonArray alarms = e[u"alarms"].toArray();
        QCOMPARE(alarms.size(), 1);
        QCOMPARE(alarms[0][0].toString(), u"DISPLAY"_qs);
        QCOMPARE(alarms[0][1].toInt(), expected[i].trigger);
        QCOMPARE(alarms[0][2].toString(), e[u"summary"].toString());
    }
    const QString first = read[0][u"description"].toString();
    QVERIFY2(first.contains(a.address) && first.contains(u"69003 Lyon")
                 && first.contains(u"au plus tard le 14/03/2027"),
             qPrintable(first));
    QVERIFY(read[1][u"description"].toString().contains(u"révision du loyer du 10/01/2026"));
}

VELMARIS_TEST(CalendarExportTest)
#include "tst_calendarexport.moc"
