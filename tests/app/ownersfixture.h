// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the tests of the owners' windows share: a register with two owners,
// answers to the questions asked, and the modal window a click opens.

#include "leasestore.h"
#include "messages.h"
#include "registersession.h"

#include "../leases/leasefixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>

namespace velmaris::test {

inline const IndexTable& indexTable()
{
    static const IndexTable t = realTable();
    return t;
}

// Answers the questions asked, in turn ("Non" once they run out), and keeps their texts.
struct Answers {
    std::deque<bool> answers;
    QStringList texts;
    Answers()
    {
        MessageBox::setQuestionHandler([this](const QString&, const QString& text) {
            texts << text;
            const bool answer = !answers.empty() && answers.front();
            if (!answers.empty())
                answers.pop_front();
            return answer;
        });
    }
    ~Answers() { MessageBox::setQuestionHandler(nullptr); }
    Answers(const Answers&) = delete;
    Answers& operator=(const Answers&) = delete;
};

inline Owner sampleOwner(const QString& name, OwnerKind kind = OwnerKind::Person,
                         const QString& town = QStringLiteral("Lyon"))
{
    Owner o;
    o.name = name;
    o.kind = kind;
    o.address = {QStringLiteral("12 avenue Foch")};
    o.postalCode = QStringLiteral("69006");
    o.town = town;
    return o;
}

// Runs `fill` on the modal window that `open` brings up, and waits for it.
inline void onModal(const std::function<void()>& open, const std::function<void(QWidget*)>& fill)
{
    bool done = false;
    QTimer::singleShot(0, qApp, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        fill(modal);
        done = true;
    });
    open();
    QTRY_VERIFY(done);
}

// A register of this machine with two owners: Jean Martin, the default one
// (the oldest), and SCI Les Tilleuls, a family SCI in Bron.
struct OwnersRegister {
    QTemporaryDir dir;
    std::unique_ptr<RegisterSession> session;
    LeaseStore* store = nullptr;
    qint64 martin = 0;
    qint64 sci = 0;

    void open()
    {
        QVERIFY(dir.isValid());
        session = std::make_unique<RegisterSession>(dir.path());
        store = &session->store();
        QVERIFY2(session->openStore(), qPrintable(store->error()));
        martin = addOwner(sampleOwner(QStringLiteral("Jean Martin")));
        sci = addOwner(sampleOwner(QStringLiteral("SCI Les Tilleuls"), OwnerKind::FamilySci,
                                   QStringLiteral("Bron")));
    }
    void close()
    {
        store = nullptr;
        session.reset();
        for (const QString& file : QDir(dir.path()).entryList(QDir::Files))
            QFile::remove(dir.filePath(file));
    }
    qint64 addOwner(const Owner& o)
    {
        const std::optional<qint64> id = store->addOwner(o);
        if (!id)
            qFatal("%s", qPrintable(store->error()));
        return *id;
    }
    qint64 addLease(const QString& reference, qint64 ownerId)
    {
        Lease lease = makeLease(reference, day("01/03/2023"), 85000);
        lease.ownerId = ownerId;
        const std::optional<qint64> id = store->addLease(lease);
        if (!id)
            qFatal("%s", qPrintable(store->error()));
        return *id;
    }
};

} // namespace velmaris::test
