// A scripted HTTP server on 127.0.0.1 for tests: records each request as it
// arrived and answers it as the test says, or leaves it hanging.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <deque>
#include <memory>
#include <optional>
#include <utility>

struct RecordedRequest {
    QByteArray method;
    QByteArray path;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    QByteArray header(const QByteArray &name) const {
        for (const auto &[key, value] : headers)
            if (key.compare(name, Qt::CaseInsensitive) == 0)
                return value;
        return {};
    }
};

struct ScriptedReply {
    enum class Mode {
        Answer,            // the whole reply at once, then the connection closes
        CloseWithoutReply, // the connection closes with nothing sent
        NeverAnswer,       // the request is read and left waiting
        InPieces,          // the head, then the body a piece at a time
    };
    Mode mode = Mode::Answer;
    int status = 200;
    QByteArray contentType = "text/html";
    QList<QPair<QByteArray, QByteArray>> extraHeaders;
    QByteArray body;
    // InPieces: bytes per piece, the pause between pieces, the length the
    // head announces (-1: the body's) and whether the server closes the
    // connection once the body is out or leaves it open.
    int pieceSize = 1;
    int pieceIntervalMs = 5;
    qint64 announcedLength = -1;
    bool closeAfterBody = true;

    static ScriptedReply page(int status, const QByteArray &body) {
        ScriptedReply r;
        r.status = status;
        r.body = body;
        return r;
    }
    static ScriptedReply inMode(Mode mode) {
        ScriptedReply r;
        r.mode = mode;
        return r;
    }
};

class LocalHttpServer {
public:
    // What is answered when the script has run out.
    ScriptedReply fallback = ScriptedReply::page(200, "OK ");
    QList<RecordedRequest> requests;

    LocalHttpServer() {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                accept(socket);
        });
    }

    ~LocalHttpServer() {
        for (const QPointer<QTcpSocket> &socket : m_sockets)
            delete socket.data();
    }

    bool isListening() const { return m_server.isListening(); }
    quint16 port() const { return m_server.serverPort(); }
    QUrl url(const QString &path = QStringLiteral("/skore/pridejv.asp")) const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path));
    }

    // Replies for the coming requests, in order.
    void script(const ScriptedReply &reply) { m_script.push_back(reply); }

    int openConnections() const {
        int n = 0;
        for (const QPointer<QTcpSocket> &socket : m_sockets)
            n += socket && socket->state() == QAbstractSocket::ConnectedState;
        return n;
    }

    // Answers every request left waiting whose connection is still open.
    void answerWaiting(const ScriptedReply &reply) {
        const auto waiting = std::exchange(m_waiting, {});
        for (const QPointer<QTcpSocket> &socket : waiting)
            if (socket && socket->state() == QAbstractSocket::ConnectedState)
                respond(socket, reply);
    }

private:
    struct Connection {
        QByteArray buffer;
    };

    void accept(QTcpSocket *socket) {
        socket->setParent(&m_server);
        m_sockets.append(socket);
        auto connection = std::make_shared<Connection>();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, connection] {
            connection->buffer += socket->readAll();
            while (auto request = takeRequest(connection->buffer)) {
                requests.append(*request);
                const ScriptedReply reply = nextReply();
                respond(socket, reply);
                if (reply.mode != ScriptedReply::Mode::Answer)
                    break;
            }
        });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

    ScriptedReply nextReply() {
        if (m_script.empty())
            return fallback;
        ScriptedReply r = m_script.front();
        m_script.pop_front();
        return r;
    }

    // The next whole request at the front of the buffer, removed from it.
    static std::optional<RecordedRequest> takeRequest(QByteArray &buffer) {
        const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return std::nullopt;
        const QList<QByteArray> lines = buffer.first(headEnd).split('\n');
        const QList<QByteArray> start = lines.front().trimmed().split(' ');
        RecordedRequest request;
        request.method = start.value(0);
        request.path = start.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0)
                request.headers.append(
                    {lines[i].first(colon).trimmed(), lines[i].sliced(colon + 1).trimmed()});
        }
        const qsizetype length = request.header("Content-Length").toLongLong();
        if (buffer.size() < headEnd + 4 + length)
            return std::nullopt;
        request.body = buffer.sliced(headEnd + 4, length);
        buffer.remove(0, headEnd + 4 + length);
        return request;
    }

    static QByteArray head(const ScriptedReply &reply, qint64 length) {
        QByteArray out = "HTTP/1.1 " + QByteArray::number(reply.status) + " Scripted\r\n";
        if (!reply.contentType.isEmpty())
            out += "Content-Type: " + reply.contentType + "\r\n";
        for (const auto &[key, value] : reply.extraHeaders)
            out += key + ": " + value + "\r\n";
        out += "Content-Length: " + QByteArray::number(length) + "\r\nConnection: close\r\n\r\n";
        return out;
    }

    void respond(QTcpSocket *socket, const ScriptedReply &reply) {
        switch (reply.mode) {
        case ScriptedReply::Mode::Answer:
            socket->write(head(reply, reply.body.size()) + reply.body);
            socket->disconnectFromHost();
            return;
        case ScriptedReply::Mode::CloseWithoutReply:
            socket->disconnectFromHost();
            return;
        case ScriptedReply::Mode::NeverAnswer:
            m_waiting.append(socket);
            return;
        case ScriptedReply::Mode::InPieces:
            sendInPieces(socket, reply);
            return;
        }
    }

    static void sendInPieces(QTcpSocket *socket, const ScriptedReply &reply) {
        const qint64 announced =
            reply.announcedLength < 0 ? reply.body.size() : reply.announcedLength;
        socket->write(head(reply, announced));
        // The timer belongs to the socket: a closed connection stops it.
        auto *timer = new QTimer(socket);
        auto sent = std::make_shared<qsizetype>(0);
        QObject::connect(timer, &QTimer::timeout, socket, [socket, timer, reply, sent] {
            if (*sent >= reply.body.size()) {
                timer->stop();
                if (reply.closeAfterBody)
                    socket->disconnectFromHost();
                return;
            }
            const QByteArray piece = reply.body.sliced(*sent).first(
                qMin<qsizetype>(reply.pieceSize, reply.body.size() - *sent));
            socket->write(piece);
            socket->flush();
            *sent += piece.size();
        });
        timer->start(reply.pieceIntervalMs);
    }

    QTcpServer m_server;
    std::deque<ScriptedReply> m_script;
    QList<QPointer<QTcpSocket>> m_sockets;
    QList<QPointer<QTcpSocket>> m_waiting;
};
