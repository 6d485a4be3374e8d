// The module toquel-network: posts through Qt Network. Loaded by the send
// window with its first post, so the game starts without Qt Network.
#include "rules/web/ScorePost.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

namespace {

constexpr char kUserAgent[] = "Toquel/1.02";

// The status the reply ended with, or 0 when it ended without one of the
// server's. Qt reports an error for every 4xx and 5xx status too.
int endStatus(const QNetworkReply *reply) {
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    return reply->error() == QNetworkReply::NoError || status >= 400 ? status : 0;
}

class NetworkPost : public ScorePost {
public:
    NetworkPost(QNetworkReply *reply, std::function<void()> arrived, std::function<void()> finished)
        : m_reply(reply) {
        m_arrived = QObject::connect(reply, &QNetworkReply::readyRead, reply, std::move(arrived));
        m_finished = QObject::connect(reply, &QNetworkReply::finished, reply,
                                      [this, finished = std::move(finished)] {
                                          m_status = endStatus(m_reply);
                                          m_contentType = m_reply->rawHeader("Content-Type");
                                          finished();
                                      });
    }
    ~NetworkPost() override {
        if (!m_reply)
            return;
        // Our connections go first, as abort() reports finished at once; Qt's
        // own stay, they carry the abort to the connection.
        QObject::disconnect(m_arrived);
        QObject::disconnect(m_finished);
        m_reply->abort();
        m_reply->deleteLater();
    }

    QByteArray takeBody() override {
        // A reply that timed out is closed already.
        return m_reply && m_reply->isOpen() ? m_reply->readAll() : QByteArray();
    }
    int status() const override { return m_status; }
    QByteArray contentType() const override { return m_contentType; }

private:
    QPointer<QNetworkReply> m_reply;
    QMetaObject::Connection m_arrived;
    QMetaObject::Connection m_finished;
    int m_status = 0;
    QByteArray m_contentType;
};

class NetworkPoster : public ScorePoster {
public:
    explicit NetworkPoster(QObject *owner) : m_network(new QNetworkAccessManager(owner)) {}
    ~NetworkPoster() override { delete m_network; }

    std::unique_ptr<ScorePost> post(const QUrl &url, const QByteArray &body,
                                    std::chrono::milliseconds stall, std::function<void()> arrived,
                                    std::function<void()> finished) override {
        QNetworkRequest request(url);
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QByteArrayLiteral("application/x-www-form-urlencoded"));
        request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray(kUserAgent));
        // Qt turns a POST answered by 301, 302 or 303 into a GET, as browsers
        // do, and posts again on 307 and 308; it never follows from https to http.
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::NoLessSafeRedirectPolicy);
        request.setTransferTimeout(int(stall.count()));
        return std::make_unique<NetworkPost>(m_network->post(request, body), std::move(arrived),
                                             std::move(finished));
    }

private:
    QPointer<QNetworkAccessManager> m_network;
};

} // namespace

extern "C" Q_DECL_EXPORT ScorePoster *toquel_create_score_poster(QObject *owner) {
    return new NetworkPoster(owner);
}
