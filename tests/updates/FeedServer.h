#pragma once

#include "TestData.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTimer>
#include <QUrl>

#include <chrono>

// A tiny HTTPS server on 127.0.0.1 that answers every request with one fixed response, holds
// requests until release(), or drips the response out a byte at a time. Enough to drive the
// update check without the network; its certificate is the only one the test process trusts.
class FeedServer : public QObject {
public:
    FeedServer() {
        const QSslCertificate certificate(
            TestData::read(QStringLiteral("updates/feed-server.crt")));
        QSslConfiguration trusted = QSslConfiguration::defaultConfiguration();
        trusted.setCaCertificates({certificate});
        QSslConfiguration::setDefaultConfiguration(trusted);
        QSslConfiguration own = QSslConfiguration::defaultConfiguration();
        own.setLocalCertificate(certificate);
        own.setPrivateKey(
            QSslKey(TestData::read(QStringLiteral("updates/feed-server.key")), QSsl::Ec));
        m_server.setSslConfiguration(own);
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::pendingConnectionAvailable, this, &FeedServer::accept);
    }

    [[nodiscard]] QUrl url(const QString& path = QStringLiteral("/appcast.xml")) const {
        return QUrl(QStringLiteral("https://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
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

    // The response's body sent one byte per `interval`, so the connection is never silent long.
    void setDripInterval(std::chrono::milliseconds interval) { m_dripInterval = interval; }

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
        // When dripping, the head goes at once, so the transfer is under way, then the body.
        qsizetype sent =
            m_dripInterval.count() ? m_response.indexOf("\r\n\r\n") + 4 : m_response.size();
        socket->write(m_response.left(sent));
        auto* drip = new QTimer(socket);
        connect(drip, &QTimer::timeout, socket, [socket, drip, sent, this]() mutable {
            if (sent < m_response.size())
                return void(socket->write(m_response.mid(sent++, 1)));
            drip->stop();
            socket->disconnectFromHost();
        });
        drip->start(m_dripInterval);
    }

    QSslServer m_server;
    std::chrono::milliseconds m_dripInterval{0};
    QByteArray m_response = httpResponse({}, 204, "No Content");
    bool m_holding = false;
    QHash<QTcpSocket*, QByteArray> m_buffers;
    QList<QPointer<QTcpSocket>> m_held;
    QList<QByteArray> m_requests;
};
