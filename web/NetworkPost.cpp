// The module toquel-network: posts through Qt Network. Loaded by the send
// window with its first post, so the game starts without Qt Network.
#include "web/ScorePost.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

namespace {

constexpr char kUserAgent[] = "Toquel/1.02";

bool broughtAPage(const QNetworkReply *reply) {
    const QNetworkReply::NetworkError error = reply->error();
    if (error == QNetworkReply::NoError)
        return true;
    // A redirect it stopped at may leave its status behind: not a page.
    if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() < 400)
        return false;
    switch (error) { // the errors Qt reports for a 4xx or 5xx status
    case QNetworkReply::ContentAccessDenied:
    case QNetworkReply::ContentOperationNotPermittedError:
    case QNetworkReply::ContentNotFoundError:
    case QNetworkReply::AuthenticationRequiredError:
    case QNetworkReply::ProxyAuthenticationRequiredError:
    case QNetworkReply::ContentConflictError:
    case QNetworkReply::ContentGoneError:
    case QNetworkReply::UnknownContentError:
    case QNetworkReply::ProtocolInvalidOperationError:
    case QNetworkReply::InternalServerError:
    case QNetworkReply::OperationNotImplementedError:
    case QNetworkReply::ServiceUnavailableError:
    case QNetworkReply::UnknownServerError:
        return true;
    default:
        return false;
    }
}

class NetworkPost : public ScorePost {
public:
    NetworkPost(QNetworkReply *reply, std::function<void()> arrived, std::function<void()> finished)
        : m_reply(reply) {
        m_arrived = QObject::connect(reply, &QNetworkReply::readyRead, reply, std::move(arrived));
        m_finished = QObject::connect(reply, &QNetworkReply::finished, reply,
                                      [this, finished = std::move(finished)] {
                                          m_page = ::broughtAPage(m_reply);
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
    bool broughtAPage() const override { return m_page; }
    QByteArray contentType() const override { return m_contentType; }

private:
    QPointer<QNetworkReply> m_reply;
    QMetaObject::Connection m_arrived;
    QMetaObject::Connection m_finished;
    bool m_page = false;
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
