// SPDX-License-Identifier: GPL-3.0-or-later
#include "registerserver.h"

#include <QDir>
#include <QStringList>
#include <QUrl>
#include <QUrlQuery>

namespace velmaris {

QString RegisterServer::display() const
{
    QString text = user.isEmpty() ? QString() : user + u'@';
    text += host.isEmpty() ? QStringLiteral("localhost") : host;
    return text + QStringLiteral(":%1/%2").arg(port).arg(database);
}

bool isServerAddress(const QString& text)
{
    return text.startsWith(u"postgresql://", Qt::CaseInsensitive)
           || text.startsWith(u"postgres://", Qt::CaseInsensitive);
}

std::optional<RegisterServer> serverFromAddress(const QString& text, QString* why)
{
    const auto refuse = [&](const QString& reason) -> std::optional<RegisterServer> {
        if (why)
            *why = QStringLiteral("adresse de registre illisible «\u00a0%1\u00a0»\u00a0: %2").arg(text, reason);
        return std::nullopt;
    };
    if (!isServerAddress(text))
        return refuse(QStringLiteral("elle doit commencer par postgresql://"));
    // QUrl would lower-case a host and refuses a folder in it: the host is cut out by hand.
    const qsizetype start = text.indexOf(u"//") + 2;
    QString rest = text.mid(start);
    QString query;
    if (const qsizetype q = rest.indexOf(u'?'); q >= 0) {
        query = rest.mid(q + 1);
        rest.truncate(q);
    }
    const qsizetype slash = rest.indexOf(u'/');
    if (slash < 0 || slash == rest.size() - 1)
        return refuse(QStringLiteral("le nom de la base manque (…/base)"));
    RegisterServer server;
    server.database = QUrl::fromPercentEncoding(rest.mid(slash + 1).toUtf8());
    QString authority = rest.left(slash);
    if (const qsizetype at = authority.lastIndexOf(u'@'); at >= 0) {
        server.user = QUrl::fromPercentEncoding(authority.left(at).toUtf8());
        if (server.user.contains(u':'))
            return refuse(QStringLiteral("le mot de passe ne s’écrit pas dans l’adresse"));
        authority = authority.mid(at + 1);
    }
    if (const qsizetype colon = authority.lastIndexOf(u':'); colon >= 0) {
        bool ok = false;
        server.port = authority.mid(colon + 1).toInt(&ok);
        if (!ok || server.port <= 0 || server.port > 65535)
            return refuse(QStringLiteral("port invalide"));
        authority.truncate(colon);
    }
    server.host = QUrl::fromPercentEncoding(authority.toUtf8());
    const QUrlQuery options(query);
    for (const auto& [key, value] : options.queryItems(QUrl::FullyDecoded)) {
        if (key == u"host")
            server.host = value;
        else if (key == u"sslmode")
            server.sslmode = value;
        else if (key == u"sslrootcert")
            server.sslrootcert = value;
        else if (key == u"user")
            server.user = value;
        else
            return refuse(QStringLiteral("option inconnue «\u00a0%1\u00a0»").arg(key));
    }
    if (server.database.contains(u'/'))
        return refuse(QStringLiteral("nom de base invalide"));
    if (const QString refusal = serverOptionsRefusal(server); !refusal.isEmpty())
        return refuse(refusal);
    return server;
}

QString serverOptionsRefusal(const RegisterServer& server)
{
    static const QStringList modes = {QStringLiteral("disable"),   QStringLiteral("allow"),
                                      QStringLiteral("prefer"),    QStringLiteral("require"),
                                      QStringLiteral("verify-ca"), QStringLiteral("verify-full")};
    if (!server.sslmode.isEmpty() && !modes.contains(server.sslmode))
        return QStringLiteral("sslmode «\u00a0%1\u00a0» inconnu (%2)")
            .arg(server.sslmode, modes.join(QStringLiteral(", ")));
    const QString& ca = server.sslrootcert;
    if (!ca.isEmpty()) {
        if (!QDir::isAbsolutePath(ca))
            return QStringLiteral("sslrootcert «\u00a0%1\u00a0»\u00a0: le chemin complet du fichier de "
                                  "l’autorité de certification est attendu")
                .arg(ca);
        // The driver separates its options by ';'; a line end has no place in a path.
        for (const QChar c : ca)
            if (c == u';' || c.category() == QChar::Other_Control)
                return QStringLiteral("sslrootcert «\u00a0%1\u00a0»\u00a0: ce nom de fichier contient un "
                                      "caractère qu’une connexion ne peut pas transmettre")
                    .arg(ca);
    }
    return {};
}

QString serverConnectOptions(const RegisterServer& server)
{
    // A server that does not answer, or a network gone quiet, is said within
    // seconds rather than hanging the window.
    QStringList options = {QStringLiteral("connect_timeout=5"),
                           QStringLiteral("application_name=Velmaris"),
                           QStringLiteral("keepalives_idle=30")};
    if (!server.sslmode.isEmpty())
        options << QStringLiteral("sslmode=") + server.sslmode;
    if (!server.sslrootcert.isEmpty()) {
        QString quoted = server.sslrootcert;
        quoted.replace(u'\\', QStringLiteral("\\\\")).replace(u'\'', QStringLiteral("\\'"));
        options << QStringLiteral("sslrootcert='") + quoted + u'\'';
    }
    return options.join(u';');
}

} // namespace velmaris
