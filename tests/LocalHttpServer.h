// A scripted HTTP server on 127.0.0.1 for tests: records each request whole
// and answers it as the test says, or leaves it hanging.
#pragma once

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <memory>

struct ScriptedReply {
    int status = 200; // 0: the request is read and left hanging
    QByteArray body = "OK ";
    QByteArray location{};       // a Location header, for a redirect
    qint64 announcedLength = -1; // a longer length keeps the connection open after the body
};

class LocalHttpServer {
public:
    QList<QByteArray> requests;  // each with its head, the blank line and its body
    QList<ScriptedReply> script; // for the coming requests in order, then "OK "

    LocalHttpServer() {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                serve(socket);
        });
    }
    QUrl url() const {
        return QUrl(
            QStringLiteral("http://127.0.0.1:%1/skore/pridejv.asp").arg(m_server.serverPort()));
    }
    int openConnections() const {
        int open = 0;
        for (const QTcpSocket *socket : m_server.findChildren<QTcpSocket *>())
            open += socket->state() == QAbstractSocket::ConnectedState;
        return open;
    }

private:
    void serve(QTcpSocket *socket) {
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
            *buffer += socket->readAll();
            const qsizetype headEnd = buffer->indexOf("\r\n\r\n") + 4;
            const qsizetype field = buffer->indexOf("\r\nContent-Length: ") + 18; // as Qt writes it
            const qsizetype length =
                field < 18 ? 0 : buffer->mid(field, 12).split('\r')[0].toLongLong();
            if (headEnd < 4 || buffer->size() < headEnd + length)
                return;
            requests.append(*buffer);
            buffer->clear();
            const ScriptedReply reply = script.isEmpty() ? ScriptedReply() : script.takeFirst();
            if (reply.status == 0)
                return;
            const qint64 announced =
                reply.announcedLength < 0 ? reply.body.size() : reply.announcedLength;
            socket->write("HTTP/1.1 " + QByteArray::number(reply.status) +
                          " Scripted\r\nContent-Type: text/html\r\nLocation: " + reply.location +
                          "\r\nContent-Length: " + QByteArray::number(announced) +
                          "\r\nConnection: close\r\n\r\n" + reply.body);
            if (reply.announcedLength < 0)
                socket->disconnectFromHost();
        });
    }

    QTcpServer m_server;
};
