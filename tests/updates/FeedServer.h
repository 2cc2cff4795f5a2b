#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

// Appcasts for the tests to parse and to serve.
namespace FeedXml {

// An appcast around `items` (raw <item> elements).
inline QByteArray feed(const QByteArray& items) {
    return R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle"
 xmlns:dc="http://purl.org/dc/elements/1.1/"><channel><title>Kestrine</title>
)" + items +
           "\n</channel></rss>\n";
}
// One release: "Notes for <version>", downloaded from Kestrine-<version>.zip unless `url`.
inline QByteArray item(const QByteArray& version, const QByteArray& url = {}) {
    return "<item><title>Kestrine " + version + "</title><sparkle:version>" + version +
           "</sparkle:version><description>Notes for " + version +
           "</description><enclosure url=\"" +
           (url.isEmpty() ? "https://kestrine.app/Kestrine-" + version + ".zip" : url) +
           "\" length=\"1024\" type=\"application/octet-stream\"/></item>\n";
}

} // namespace FeedXml

// A tiny HTTP server on 127.0.0.1 that answers every request with one fixed response, or
// holds requests until release(). Enough to drive the update check without the network.
class FeedServer : public QObject {
public:
    FeedServer() {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, &FeedServer::acceptConnections);
    }

    [[nodiscard]] bool isListening() const { return m_server.isListening(); }

    [[nodiscard]] QUrl url(const QString& path = QStringLiteral("/appcast.xml")) const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }

    static QByteArray httpResponse(const QByteArray& body, int status = 200,
                                   const QByteArray& reason = "OK",
                                   const QByteArray& contentType = "application/rss+xml") {
        return "HTTP/1.1 " + QByteArray::number(status) + " " + reason +
               "\r\nContent-Type: " + contentType +
               "\r\nContent-Length: " + QByteArray::number(body.size()) +
               "\r\nConnection: close\r\n\r\n" + body;
    }

    // The exact bytes sent back (status line and headers included), then the connection closes.
    void setResponse(QByteArray response) { m_response = std::move(response); }
    void setFeed(const QByteArray& body) { setResponse(httpResponse(body)); }

    // While holding, requests are read but not answered until release().
    void setHolding(bool holding) { m_holding = holding; }
    void release() {
        m_holding = false;
        const QList<QPointer<QTcpSocket>> held = std::exchange(m_held, {});
        for (const QPointer<QTcpSocket>& socket : held) {
            if (socket)
                answer(socket);
        }
    }

    [[nodiscard]] int requestCount() const { return int(m_requests.size()); }
    // The request lines seen ("GET /appcast.xml HTTP/1.1"), oldest first.
    [[nodiscard]] const QList<QByteArray>& requests() const { return m_requests; }

    // A port on 127.0.0.1 where nothing listens.
    static quint16 closedPort() {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        const quint16 port = probe.serverPort();
        probe.close();
        return port;
    }

private:
    void acceptConnections() {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }

    void read(QTcpSocket* socket) {
        QByteArray& buffer = m_buffers[socket];
        buffer += socket->readAll();
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QByteArray head = buffer.left(end);
        m_buffers.remove(socket);
        m_requests.append(head.left(head.indexOf("\r\n")));
        if (m_holding)
            m_held.append(socket);
        else
            answer(socket);
    }

    void answer(QTcpSocket* socket) {
        socket->write(m_response);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QByteArray m_response = httpResponse({}, 204, "No Content");
    bool m_holding = false;
    QHash<QTcpSocket*, QByteArray> m_buffers;
    QList<QPointer<QTcpSocket>> m_held;
    QList<QByteArray> m_requests;
};
