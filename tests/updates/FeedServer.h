#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

// A tiny HTTP server on 127.0.0.1 that answers every request with one fixed response, or holds
// requests until release(). Enough to drive the update check without the network.
class FeedServer : public QObject {
public:
    FeedServer() {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, &FeedServer::accept);
    }

    [[nodiscard]] QUrl url(const QString& path = QStringLiteral("/appcast.xml")) const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }

    // An appcast offering one release.
    static QByteArray feed(const QByteArray& version) {
        return "<rss "
               "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel>"
               "<item><sparkle:version>" +
               version + "</sparkle:version><enclosure url=\"https://kestrine.app/Kestrine-" +
               version + ".zip\"/></item></channel></rss>";
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
    void setFeed(const QByteArray& version) { setResponse(httpResponse(feed(version))); }

    // While holding, requests are read but not answered until release().
    void setHolding(bool holding) { m_holding = holding; }
    void release() {
        m_holding = false;
        for (const QPointer<QTcpSocket>& socket : std::exchange(m_held, {})) {
            if (socket)
                answer(socket);
        }
    }

    // The request lines seen ("GET /appcast.xml HTTP/1.1"), oldest first.
    [[nodiscard]] const QList<QByteArray>& requests() const { return m_requests; }

    // A port on 127.0.0.1 where nothing listens.
    static quint16 closedPort() {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }

private:
    void accept() {
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
        m_requests.append(buffer.left(buffer.indexOf("\r\n")));
        m_buffers.remove(socket);
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
