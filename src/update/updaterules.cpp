// SPDX-License-Identifier: GPL-3.0-or-later
#include "updaterules.h"

#include "dates.h"
#include "indexfile.h"

#include <map>

namespace velmaris {

namespace {

constexpr Quarter kSwitch(2005, 2);

QString valueText(const IndexRow& row, Quarter quarter)
{
    if (quarter > kSwitch || row.icc == 0)
        return QString::number(row.irl, 'g', 15).replace(u'.', u',');
    return QString::number(row.icc);
}

// A reply keeps every value the file holds; it may fill in one the file lacks.
bool keepsValues(const IndexRow& fresh, const IndexRow& held)
{
    auto keeps = [](double f, double h) { return h == 0 || f == h; };
    return keeps(fresh.icc, held.icc) && keeps(fresh.irl, held.irl)
           && keeps(fresh.irlCorse, held.irlCorse) && keeps(fresh.irlOutreMer, held.irlOutreMer);
}

} // namespace

bool indexTableOutOfDate(const IndexTable& table, const QDate& today)
{
    if (!table.hasRow(3))
        return false;
    const QDate published = table.rows[3].published;
    if (!published.isValid())
        return false;
    return today >= sameDayNextYear(published);
}

std::optional<QUrl> downloadUrl(const QString& address)
{
    const QUrl url(address.trimmed(), QUrl::TolerantMode);
    if (!url.isValid() || url.host().isEmpty())
        return std::nullopt;
    if (url.scheme() != u"http" && url.scheme() != u"https")
        return std::nullopt;
    return url;
}

QString addressRefusal(const QString& address)
{
    const QString text = address.trimmed();
    if (text.isEmpty())
        return QStringLiteral("aucune adresse de téléchargement n'est réglée");
    if (downloadUrl(text))
        return {};
    const QUrl url(text, QUrl::TolerantMode);
    if (url.isValid() && (url.scheme() == u"http" || url.scheme() == u"https"))
        return QStringLiteral("l'adresse « %1 » est incomplète").arg(text);
    return QStringLiteral("l'adresse « %1 » n'est pas prise en charge : seules les adresses http "
                          "et https le sont")
        .arg(text);
}

DownloadAcceptance checkTransfer(const DownloadReply& reply)
{
    DownloadAcceptance result;
    auto refuse = [&](DownloadVerdict why, const QString& reason) {
        result.verdict = why;
        result.reason = reason;
        return result;
    };
    if (reply.networkError)
        return refuse(DownloadVerdict::NetworkError,
                      reply.errorText.isEmpty()
                          ? QStringLiteral("le transfert n'est pas allé jusqu'au bout")
                          : reply.errorText);
    if (reply.httpStatus >= 300 && reply.httpStatus <= 399 && !reply.errorText.isEmpty())
        return refuse(DownloadVerdict::HttpStatus, reply.errorText);
    if (reply.httpStatus < 200 || reply.httpStatus > 299)
        return refuse(DownloadVerdict::HttpStatus,
                      reply.httpStatus == 0
                          ? QStringLiteral("le serveur n'a pas donné de réponse HTTP")
                          : QStringLiteral("le serveur a répondu par l'erreur HTTP %1")
                                .arg(reply.httpStatus));
    if (reply.body.isEmpty())
        return refuse(DownloadVerdict::Empty, QStringLiteral("la réponse du serveur est vide"));
    if (reply.body.size() > kMaxDownloadBytes)
        return refuse(DownloadVerdict::TooLarge,
                      QStringLiteral("la réponse du serveur dépasse 4 Mo : ce n'est pas un "
                                     "fichier des indices"));
    return result;
}

DownloadAcceptance acceptRows(std::vector<IndexRow> rows, const IndexTable& current,
                              const QDate& today)
{
    DownloadAcceptance result;
    auto refuse = [&](DownloadVerdict why, const QString& reason) {
        result.verdict = why;
        result.reason = reason;
        result.rows.clear();
        result.added = 0;
        return result;
    };
    if (rows.size() < 4)
        return refuse(DownloadVerdict::NotIndexFile,
                      QStringLiteral("la réponse n'est pas un fichier des indices (moins de "
                                     "quatre trimestres)"));
    std::map<Quarter, const IndexRow*> fresh;
    for (const IndexRow& row : rows) {
        const Quarter q = row.quarter;
        if (!q.isValid())
            return refuse(DownloadVerdict::NotIndexFile,
                          QStringLiteral("la réponse a une clé de trimestre illisible (« %1 »)")
                              .arg(row.label()));
        if (!fresh.emplace(q, &row).second)
            return refuse(DownloadVerdict::NotIndexFile,
                          QStringLiteral("la réponse donne deux fois le %1").arg(q.label()));
    }
    const Quarter freshNewest = fresh.rbegin()->first;
    bool completes = false; // fills in a value the file lacks

    // Every quarter already held, with the same values.
    for (const IndexRow& held : current.rows) {
        const Quarter q = held.quarter;
        if (!q.isValid())
            continue;
        const auto it = fresh.find(q);
        if (it == fresh.end())
            return refuse(DownloadVerdict::Older,
                          q > freshNewest
                              ? QStringLiteral("la réponse s'arrête au %1, avant le %2 du fichier "
                                               "des indices actuel")
                                    .arg(freshNewest.label(), q.label())
                              : QStringLiteral("la réponse ne contient pas le %1 que le fichier "
                                               "des indices actuel contient")
                                    .arg(q.label()));
        if (!keepsValues(*it->second, held))
            return refuse(DownloadVerdict::ChangedValue,
                          QStringLiteral("le %1 vaut %2 dans la réponse et %3 dans le fichier des "
                                         "indices actuel : une valeur publiée ne change pas")
                              .arg(q.label(), valueText(*it->second, q), valueText(held, q)));
        completes = completes
                    || !(it->second->irlCorse == held.irlCorse
                         && it->second->irlOutreMer == held.irlOutreMer
                         && it->second->irl == held.irl && it->second->icc == held.icc);
        ++result.added;
    }
    result.added = int(fresh.size()) - result.added;
    if (result.added <= 0 && !completes)
        return refuse(DownloadVerdict::UpToDate, {});
    if (today <= freshNewest.lastDay())
        return refuse(DownloadVerdict::NotEnded,
                      QStringLiteral("la réponse va jusqu'au %1, qui n'est pas encore terminé")
                          .arg(freshNewest.label()));
    result.rows = std::move(rows);
    return result;
}

DownloadAcceptance acceptDownload(const DownloadReply& reply, const IndexTable& current,
                                  const QDate& today)
{
    DownloadAcceptance transfer = checkTransfer(reply);
    if (!transfer.accepted())
        return transfer;
    if (reply.body.contains("Not Found")) {
        transfer.verdict = DownloadVerdict::NotFound;
        transfer.reason = QStringLiteral("le serveur a renvoyé une page d'erreur (« Not Found »)");
        return transfer;
    }
    // An HTML error page, a captive portal or a proxy's page fail here.
    IndexFileResult parsed = parseIndexFile(reply.body);
    if (!parsed.ok()) {
        transfer.verdict = DownloadVerdict::NotIndexFile;
        transfer.reason = QStringLiteral("la réponse n'est pas un fichier des indices (%1)")
                              .arg(corruptionDetail(parsed));
        return transfer;
    }
    return acceptRows(std::move(parsed.rows), current, today);
}

QByteArray indexFileBytes(const QByteArray& body)
{
    return body;
}

bool indexFileChanged(const IndexTable& table, const QByteArray& onDisk, const QDateTime& modified)
{
    // Time, size and content: another copy of the program may have written
    // the same size within the same second.
    return modified != table.fileDate || onDisk.size() != table.fileSize
           || onDisk != table.fileBytes;
}

} // namespace velmaris
