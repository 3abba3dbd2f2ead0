// SPDX-License-Identifier: GPL-3.0-or-later
// The lease-date box: finding the reference quarter, scrolling to it, and
// refusing what is not a date.
#include "rentfixture.h"
#include "testmain.h"

#include <QCheckBox>

using namespace velmaris;
using velmaris::test::RentWindow;

class TestLease : public QObject {
    Q_OBJECT

private slots:
    void lookup_data();
    void lookup();
    void lookupEmptiesEveryRent();
    void leaseYearStartsTheCaptions();
    void clickEmptiesTheLeaseDate();
    void notADateKeepsTheFocus();
    void emptyBoxDoesNothing();
    void beforeTheOldestPublication();
};

void TestLease::lookup_data()
{
    QTest::addColumn<QString>("lease");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("top");

    // Row 30 is the 2nd quarter 2008, published 15/07/2008.
    QTest::newRow("published that day") << "15/07/2008" << 30 << 11;
    QTest::newRow("the day before") << "14/07/2008" << 31 << 12;
    QTest::newRow("between two publications") << "20/08/2008" << 30 << 11;
    QTest::newRow("short year, dots") << "14.07.08" << 31 << 12;
    QTest::newRow("row 19 on the last line") << "15/04/2011" << 19 << 0;
    QTest::newRow("row 7 on its own line") << "20-4-2014" << 7 << 0;
    QTest::newRow("after the newest") << "01/01/2020" << 0 << 0;
    QTest::newRow("the oldest") << "15/04/2000" << 63 << 44;
}

void TestLease::lookup()
{
    QFETCH(QString, lease);
    QFETCH(int, row);
    QFETCH(int, top);

    RentWindow rw;
    QVERIFY(rw.active());
    RentWindow::type(rw.w.datedubail, lease);

    QCOMPARE(rw.w.view().referenceRow, row);
    QCOMPARE(rw.w.view().topRow, top);
    QCOMPARE(rw.w.barreinsee->value(), top);
    QVERIFY(rw.w.loyer[row - top]->hasFocus());
    QCOMPARE(rw.w.loyer[row - top]->palette().color(QPalette::Base), QColor(128, 255, 255));
    QCOMPARE(rw.w.datedubail->text(), lease);
    // Four years after the newest publication, a newer index may exist.
    const QStringList said = row == 0 && lease == u"01/01/2020"
                                 ? QStringList{QStringLiteral("Un indice plus récent a pu paraître "
                                                              "avant cette date : mettez les "
                                                              "indices à jour.")}
                                 : QStringList{};
    QCOMPARE(rw.messages.texts, said);
}

void TestLease::lookupEmptiesEveryRent()
{
    RentWindow rw;
    QVERIFY(rw.active());
    RentWindow::type(rw.w.loyer[15], QStringLiteral("700"));
    QCOMPARE(rw.w.loyer[15]->text(), QStringLiteral(" 700,00"));

    RentWindow::type(rw.w.datedubail, QStringLiteral("20/08/2008"));
    QCOMPARE(rw.rents(), QStringList(64, QString()));
    for (QLineEdit* box : rw.w.loyer)
        QCOMPARE(box->text(), QString());
}

// The box reached by the lookup keeps the lease date, whose year names the
// first rent: the 3rd quarter 2008 was published in 2008, the lease is of 2009.
void TestLease::leaseYearStartsTheCaptions()
{
    RentWindow rw;
    QVERIFY(rw.active());
    RentWindow::type(rw.w.datedubail, QStringLiteral("10/01/2009"));
    QCOMPARE(rw.w.view().referenceRow, 29);
    QLineEdit* box = rw.w.loyer[19];
    QVERIFY(box->hasFocus());

    QTest::keyClicks(box, QStringLiteral("800"));
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(rw.rent(29), QStringLiteral(" 800,00"));
    QCOMPARE(rw.rent(28), QStringLiteral("Loyer 2009"));
    QCOMPARE(rw.rent(24), QStringLiteral("Loyer 2010"));
}

void TestLease::clickEmptiesTheLeaseDate()
{
    RentWindow rw;
    QVERIFY(rw.active());
    RentWindow::type(rw.w.datedubail, QStringLiteral("20/08/2008"));
    QVERIFY(rw.w.loyer[19]->hasFocus());

    QTest::mouseClick(rw.w.loyer[5], Qt::LeftButton);
    QCOMPARE(rw.w.datedubail->text(), QString());
    QCOMPARE(rw.w.view().referenceRow, 30); // until a rent is typed there
    QVERIFY(rw.w.loyer[5]->hasFocus());
}

void TestLease::notADateKeepsTheFocus()
{
    RentWindow rw;
    QVERIFY(rw.active());
    RentWindow::type(rw.w.loyer[2], QStringLiteral("650"));
    const QStringList before = rw.rents();

    RentWindow::type(rw.w.datedubail, QStringLiteral("31/02/2008"));
    QVERIFY(rw.w.datedubail->hasFocus());
    QCOMPARE(rw.w.datedubail->selectedText(), QStringLiteral("31/02/2008"));

    // Neither the keyboard nor a click gets out, and the text stays to be fixed.
    QTest::keyClick(rw.w.datedubail, Qt::Key_Tab);
    QVERIFY(rw.w.datedubail->hasFocus());
    QTest::mouseClick(rw.w.loyer[4], Qt::LeftButton);
    QVERIFY(rw.w.datedubail->hasFocus());
    QCOMPARE(rw.w.datedubail->text(), QStringLiteral("31/02/2008"));
    QCOMPARE(rw.rents(), before);
}

void TestLease::emptyBoxDoesNothing()
{
    RentWindow rw;
    QVERIFY(rw.active());
    RentWindow::type(rw.w.loyer[2], QStringLiteral("650"));
    const QStringList before = rw.rents();

    RentWindow::type(rw.w.datedubail, QStringLiteral("   "));
    QTest::keyClick(rw.w.datedubail, Qt::Key_Tab);
    QVERIFY(!rw.w.datedubail->hasFocus());
    QCOMPARE(rw.rents(), before);
    QVERIFY(rw.messages.texts.isEmpty());
}

void TestLease::beforeTheOldestPublication()
{
    RentWindow rw;
    QVERIFY(rw.active());
    rw.scrollTo(3);
    RentWindow::type(rw.w.loyer[2], QStringLiteral("650"));

    RentWindow::type(rw.w.datedubail, QStringLiteral("14/04/2000"));
    QCOMPARE(rw.messages.titles, QStringList{QStringLiteral("Calcul impossible")});
    QCOMPARE(rw.messages.texts,
             QStringList{QStringLiteral("Pas d’indice inférieur au 15/04/2000")});
    QCOMPARE(rw.w.view().referenceRow, 5);
    QCOMPARE(rw.w.view().topRow, 3);
    // The rents are gone, and the grid says so at once.
    QCOMPARE(rw.rents(), QStringList(64, QString()));
    QCOMPARE(rw.w.loyer[2]->text(), QString());
}

VELMARIS_TEST(TestLease)
#include "tst_lease.moc"
