// SPDX-License-Identifier: GPL-3.0-or-later
// The letters that went out: the day each revision's letter was sent,
// printed or saved. The request of the revision dates from it.
#include "leasestore.h"

#include "datafolder.h"
#include "dates.h"
#include "leasestore_p.h"

#include <QSqlQuery>
#include <QVariant>

namespace velmaris {

using namespace storeinternal;

namespace {

QString channelKey(LetterChannel channel)
{
    switch (channel) {
    case LetterChannel::Email:
        return QStringLiteral("courriel");
    case LetterChannel::Pdf:
        return QStringLiteral("pdf");
    case LetterChannel::Printed:
        break;
    }
    return QStringLiteral("impression");
}

LetterChannel channelFromKey(const QString& key)
{
    if (key == u"courriel")
        return LetterChannel::Email;
    return key == u"pdf" ? LetterChannel::Pdf : LetterChannel::Printed;
}

} // namespace

QString sentLetterText(const SentLetter& letter)
{
    const QString day = dateText(letter.sentOn);
    switch (letter.channel) {
    case LetterChannel::Email:
        return QStringLiteral("lettre envoyée le %1, par courriel").arg(day);
    case LetterChannel::Pdf:
        return QStringLiteral("lettre enregistrée en PDF le %1").arg(day);
    case LetterChannel::Printed:
        break;
    }
    return QStringLiteral("lettre imprimée le %1").arg(day);
}

QDate letterSentFor(const std::vector<SentLetter>& letters, const QDate& dueDate)
{
    QDate last;
    for (const SentLetter& letter : letters)
        if (letter.dueDate == dueDate && (!last.isValid() || letter.sentOn > last))
            last = letter.sentOn;
    return last;
}

std::optional<std::vector<SentLetter>> LeaseStore::lettersSent(qint64 leaseId)
{
    if (!isOpen()) {
        failKind(StoreError::NotOpen);
        return std::nullopt;
    }
    QSqlQuery query(database());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT id, lease_id, due_date, sent_on, channel, sent_by, "
                                 "sent_at FROM letters_sent WHERE lease_id = ? "
                                 "ORDER BY sent_on, id"));
    query.addBindValue(leaseId);
    if (!query.exec()) {
        failSql(query.lastError());
        return std::nullopt;
    }
    std::vector<SentLetter> result;
    while (query.next()) {
        SentLetter letter;
        letter.id = query.value(0).toLongLong();
        letter.leaseId = query.value(1).toLongLong();
        letter.dueDate = dateFromValue(query.value(2));
        letter.sentOn = dateFromValue(query.value(3));
        letter.channel = channelFromKey(query.value(4).toString());
        letter.sentBy = query.value(5).toString();
        letter.sentAt = dateTimeFromValue(query.value(6));
        result.push_back(letter);
    }
    if (query.lastError().isValid()) {
        failSql(query.lastError());
        return std::nullopt;
    }
    return result;
}

bool LeaseStore::recordLetterSent(const SentLetter& letter)
{
    return recordLettersSent({letter});
}

bool LeaseStore::recordLettersSent(const std::vector<SentLetter>& letters)
{
    if (!checkWritable())
        return false;
    for (const SentLetter& letter : letters)
        if (!letter.dueDate.isValid() || !letter.sentOn.isValid())
            return fail(QStringLiteral("Lettre sans date\u00a0: son envoi n’est pas noté."),
                        StoreError::Refused);
    Transaction transaction(database());
    if (!transaction.begun())
        return failSql(transaction.error());
    QSqlQuery query(database());
    // Who sent it: on a server the role it knows, written by the server
    // itself; here the system's account.
    if (!query.prepare(
            QStringLiteral("INSERT INTO letters_sent (lease_id, due_date, sent_on, channel, "
                           "sent_by, sent_at) SELECT id, ?, ?, ?, ")
            + (isServer() ? QStringLiteral("COALESCE(?, current_user)") : QStringLiteral("?"))
            + QStringLiteral(", ? FROM leases WHERE id = ?")))
        return failSql(query.lastError());
    const QString now = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    for (const SentLetter& letter : letters) {
        query.addBindValue(dateParam(letter.dueDate, isServer()));
        query.addBindValue(dateParam(letter.sentOn, isServer()));
        query.addBindValue(channelKey(letter.channel));
        query.addBindValue(!letter.sentBy.isEmpty() ? QVariant(letter.sentBy)
                           : isServer()             ? QVariant(QMetaType(QMetaType::QString))
                                                    : QVariant(accountName()));
        query.addBindValue(now);
        query.addBindValue(letter.leaseId);
        if (!query.exec())
            return failSql(query.lastError());
        if (query.numRowsAffected() != 1)
            return failKind(StoreError::NotFound); // a lease gone meanwhile: nothing noted
    }
    return transaction.commit() || failSql(transaction.error());
}

} // namespace velmaris
