#pragma once

// A tiny HTTP server on 127.0.0.1 for the download tests: each path answers
// with a canned reply, a reply cut short, or nothing at all. It never listens
// on any other address.

#include <QByteArray>
#include <QDate>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <memory>

class HttpFixture {
public:
    enum class Mode { Reply, Silent };

    HttpFixture()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                serve(socket);
        });
    }

    bool listening() const { return m_server.isListening(); }

    QString url(const QString& path = QStringLiteral("/telechar/VELMARIS.TXT")) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }

    // path answers with this status and body.
    void reply(int status, const QByteArray& body, const QByteArray& path = kPath,
               const QByteArray& extraHeaders = {})
    {
        m_routes[path] = {Mode::Reply, head(status, body.size()) + extraHeaders + "\r\n" + body};
    }
    // path sends its headers promising the whole body, then only its first
    // half, cut at the end of a line so that what arrives reads as a file.
    void cut(const QByteArray& body, const QByteArray& path = kPath)
    {
        const qsizetype half = body.lastIndexOf("\r\n", body.size() / 2) + 2;
        m_routes[path] = {Mode::Reply, head(200, body.size()) + "\r\n" + body.left(half)};
    }
    // path never answers.
    void silent(const QByteArray& path = kPath) { m_routes[path] = {Mode::Silent, {}}; }

    // The requests received, head only.
    const QList<QByteArray>& requests() const { return m_requests; }

    static constexpr const char* kPath = "/telechar/VELMARIS.TXT";

private:
    struct Route {
        Mode mode = Mode::Reply;
        QByteArray bytes;
    };

    static QByteArray head(int status, qsizetype length)
    {
        return "HTTP/1.1 " + QByteArray::number(status)
               + " Status\r\n"
                 "Content-Type: text/plain\r\n"
                 "Connection: close\r\n"
                 "Content-Length: "
               + QByteArray::number(length) + "\r\n";
    }

    void serve(QTcpSocket* socket)
    {
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
            *buffer += socket->readAll();
            const qsizetype end = buffer->indexOf("\r\n\r\n");
            if (end < 0)
                return;
            const QByteArray request = buffer->left(end);
            buffer->clear();
            m_requests << request;
            const QByteArray path = request.split(' ').value(1);
            const Route route = m_routes.value(path, {Mode::Reply, head(404, 9) + "\r\nNot Found"});
            if (route.mode == Mode::Silent)
                return;
            socket->write(route.bytes);
            socket->disconnectFromHost();
        });
    }

    QTcpServer m_server;
    QMap<QByteArray, Route> m_routes;
    QList<QByteArray> m_requests;
};

// An index file of n quarters, the newest being quarter q of year, published
// on the 15th of the month after it.
inline QByteArray indexFileText(int quarters, int year = 2025, int q = 3)
{
    QByteArray bytes = "' Indices de test\r\n";
    for (int i = 0; i < quarters; ++i) {
        const QDate published = QDate(year, q * 3, 15).addMonths(1);
        bytes += QByteArray::number(q) + QByteArray::number(year) + '\t'
                 + QByteArray::number(140.0 - i * 0.5, 'f', 2) + '\t'
                 + published.toString(QStringLiteral("dd/MM/yyyy")).toLatin1() + "\r\n";
        if (--q == 0) {
            q = 4;
            --year;
        }
    }
    return bytes;
}
