// SPDX-License-Identifier: GPL-3.0-or-later
// A desk's own index file merged into the office's figures: what it adds, and
// what it may not change.
#include "deskmerge.h"
#include "indexfile.h"
#include "testmain.h"
#include "typedindex.h"

#include <QFile>
#include <QTest>

using namespace velmaris;

namespace {

QByteArray shipped()
{
    QFile file(QStringLiteral(VELMARIS_SOURCE_DIR "/data/VELMARIS.TXT"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray replaced(QByteArray bytes, const char* from, const char* to)
{
    return bytes.replace(from, to);
}

// The shipped file with the 1st quarter 2026 typed by hand.
QByteArray typedAhead()
{
    TypedIndex entry{
        Quarter(2026, 1), QStringLiteral("146,60"), {}, {}, QStringLiteral("15/04/2026")};
    return addTypedIndex(shipped(), entry, QDate(2026, 4, 20)).bytes;
}

} // namespace

class TestDeskMerge : public QObject {
    Q_OBJECT

private slots:
    void merge_data()
    {
        QTest::addColumn<QByteArray>("office");
        QTest::addColumn<QByteArray>("desk");
        QTest::addColumn<QString>("refusal");      // a part of it; empty: none
        QTest::addColumn<QByteArrayList>("holds"); // what the result holds; none: no change
        const QByteArray older =
            replaced(shipped(), "42025\t145.78\t15/01/2026\t141.59\t142.98\r\n", "");
        QTest::newRow("same file") << shipped() << shipped() << QString() << QByteArrayList();
        QTest::newRow("desk behind") << shipped() << older << QString() << QByteArrayList();
        QTest::newRow("no figures yet")
            << QByteArray() << older << QString() << QByteArrayList{older};
        QTest::newRow("desk ahead")
            << older << typedAhead() << QString()
            << QByteArrayList{"12026\t146.60\t15/04/2026\r\n42025\t145.78",
                              "' 1er tr.2026 saisi par l'utilisateur le 20/04/2026"};
        QTest::newRow("regional values filled")
            << shipped()
            << replaced(shipped(), "22025\t146.68\t16/07/2025",
                        "22025\t146.68\t16/07/2025\t141.40\t142.80")
            << QString()
            << QByteArrayList{"22025\t146.68\t16/07/2025\t141.40\t142.80",
                              "IRL de Corse et IRL d'outre-mer compl",
                              "depuis le fichier des indices d'un poste le 10/12/2026"};
        QTest::newRow("published value changed")
            << shipped() << replaced(shipped(), "32025\t145.77", "32025\t145.70")
            << "l'IRL du 3è tr.2025 vaut 145,70 dans le fichier des indices de ce poste et 145,77 "
               "dans le registre\u00a0: une valeur publiée ne change pas"
            << QByteArrayList();
        QTest::newRow("an ICC changed")
            << shipped() << replaced(shipped(), "11999\t1071", "11999\t1070")
            << "l'ICC du 1er tr.1999 vaut 1070" << QByteArrayList();
        QTest::newRow("desk file unreadable")
            << shipped() << QByteArray("<html>Not Found</html>")
            << "le fichier des indices de ce poste ne se lit pas" << QByteArrayList();
    }
    void merge()
    {
        QFETCH(QByteArray, office);
        QFETCH(QByteArray, desk);
        QFETCH(QString, refusal);
        QFETCH(QByteArrayList, holds);
        const IndexChange change = mergeDeskIndex(office, desk, QDate(2026, 12, 10));
        QVERIFY2(change.refusal.contains(refusal) && change.refused() == !refusal.isEmpty(),
                 qPrintable(change.refusal));
        QCOMPARE(change.bytes.isEmpty(), holds.isEmpty());
        for (const QByteArray& part : holds)
            QVERIFY2(change.bytes.contains(part), part.constData());
        if (!change.bytes.isEmpty())
            QVERIFY(parseIndexFile(change.bytes).ok());
    }
};

VELMARIS_TEST(TestDeskMerge)
#include "tst_deskmerge.moc"
