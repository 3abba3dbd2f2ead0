// SPDX-License-Identifier: GPL-3.0-or-later
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
#include <QTimer>
#include <QUrl>

#include <memory>

class HttpFixture {
public:
    enum class Mode { Reply, Silent, Drip };

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
    // path sends its headers, then its body one byte every interval: never
    // silent long enough for a transfer timeout.
    void drip(const QByteArray& body, int intervalMs, const QByteArray& path = kPath)
    {
        m_routes[path] = {Mode::Drip, body, intervalMs};
    }

    // The requests received, head only.
    const QList<QByteArray>& requests() const { return m_requests; }

    static constexpr const char* kPath = "/telechar/VELMARIS.TXT";

private:
    struct Route {
        Mode mode = Mode::Reply;
        QByteArray bytes;
        int intervalMs = 0;
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
            if (route.mode == Mode::Drip) {
                socket->write(head(200, route.bytes.size()) + "\r\n");
                auto* timer = new QTimer(socket);
                auto sent = std::make_shared<qsizetype>(0);
                QObject::connect(timer, &QTimer::timeout, socket, [socket, route, sent] {
                    if (*sent < route.bytes.size())
                        socket->write(route.bytes.mid((*sent)++, 1));
                });
                timer->start(route.intervalMs);
                return;
            }
            socket->write(route.bytes);
            socket->disconnectFromHost();
        });
    }

    QTcpServer m_server;
    QMap<QByteArray, Route> m_routes;
    QList<QByteArray> m_requests;
};

// An index file of n quarters, the newest being quarter q of year. Each
// quarter has its own value and is published on the 15th of the month after
// it, whatever file holds it: two such files agree on every quarter they share.
inline QByteArray indexFileText(int quarters, int year = 2025, int q = 3)
{
    QByteArray bytes = "' Indices de test\r\n";
    for (int i = 0; i < quarters; ++i) {
        const QDate published = QDate(year, q * 3, 15).addMonths(1);
        const double irl = 100 + ((year - 2006) * 4 + q) * 0.25;
        bytes += QByteArray::number(q) + QByteArray::number(year) + '\t'
                 + QByteArray::number(irl, 'f', 2) + '\t'
                 + published.toString(QStringLiteral("dd/MM/yyyy")).toLatin1() + "\r\n";
        if (--q == 0) {
            q = 4;
            --year;
        }
    }
    return bytes;
}
