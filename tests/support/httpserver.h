// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A small HTTP server on 127.0.0.1 for the network tests: each path answers as the test says, or never answers.
// Nothing in the tests contacts any other address.

#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>

namespace vecardia::testing {

class HttpServer final : public QObject {
public:
    struct Response {
        int status = 200;
        QByteArray reason = "OK";
        QList<std::pair<QByteArray, QByteArray>> headers;
        QByteArray body;
        bool hang = false; // read the request, never answer
    };
    struct Request {
        QByteArray method, path;
        QHash<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
    };

    HttpServer()
    {
        if (!m_server.listen(QHostAddress::LocalHost))
            qFatal("the test's HTTP server cannot listen on 127.0.0.1");
        connect(&m_server, &QTcpServer::newConnection, this, &HttpServer::accept);
    }

    // http://127.0.0.1:PORT
    [[nodiscard]] QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()); }
    [[nodiscard]] QString url(const QString &path) const { return base() + path; }

    void serve(const QByteArray &path, const Response &response) { m_responses.insert(path, response); }
    void serve(const QByteArray &path, int status, const QByteArray &body)
    {
        Response r;
        r.status = status;
        r.reason = status == 200 ? "OK" : status == 404 ? "Not Found" : "Status";
        r.body = body;
        serve(path, r);
    }
    void redirect(const QByteArray &path, const QByteArray &to)
    {
        Response r;
        r.status = 302;
        r.reason = "Found";
        r.headers = {{"Location", to}};
        serve(path, r);
    }

    // The requests received so far, in order.
    QList<Request> requests;

private:
    void accept()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        }
    }

    void read(QTcpSocket *socket)
    {
        QByteArray &pending = m_pending[socket];
        pending += socket->readAll();
        const qsizetype end = pending.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        Request request;
        const QList<QByteArray> lines = pending.first(end).split('\n');
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        request.method = first.value(0);
        request.path = first.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0)
                request.headers.insert(lines[i].first(colon).trimmed().toLower(), lines[i].sliced(colon + 1).trimmed());
        }
        const qsizetype length = request.headers.value("content-length", "0").toLongLong();
        if (pending.size() < end + 4 + length)
            return;
        request.body = pending.sliced(end + 4, length);
        m_pending.remove(socket);
        requests.append(request);

        const auto found = m_responses.constFind(request.path);
        const Response response = found != m_responses.cend() ? *found : Response{404, "Not Found", {}, "no such page"};
        if (response.hang)
            return;
        QByteArray reply = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + response.reason + "\r\n";
        for (const auto &[name, value] : response.headers)
            reply += name + ": " + value + "\r\n";
        reply += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\nConnection: close\r\n\r\n";
        reply += response.body;
        socket->write(reply);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QByteArray, Response> m_responses;
    QHash<QTcpSocket *, QByteArray> m_pending;
};

// A port on 127.0.0.1 where nothing listens: connections to it are refused.
inline quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort(); // closed again when the probe goes
}

} // namespace vecardia::testing
