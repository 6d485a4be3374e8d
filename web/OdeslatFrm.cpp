// Posting the five best results and telling the player how it went.
#include "web/OdeslatFrm.h"

#include "game/HraciPoleFrm.h"
#include "shell/BuildConfig.h"
#include "shell/Program.h"
#include "shell/Twips.h"
#include "web/FormBody.h"

#include <QKeyEvent>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>
#include <QRegularExpression>

namespace {

const QString kSendCaption = QStringLiteral("Odeslat na web");
const QString kDoneCaption = QStringLiteral("OK");
constexpr char kUserAgent[] = "Toquel/1.02";

struct Settings {
    QUrl post;
    QUrl page;
    std::chrono::milliseconds stall = OdeslatFrm::kStallLimit;
    std::chrono::milliseconds total = OdeslatFrm::kTotalLimit;
};

Settings &settings() {
    static Settings s;
    return s;
}

// Whether the reply ended with a status line of the server. A broken
// connection, a time-out or a redirect that could not be followed did not
// (such a reply may still carry the status of the redirect it stopped at).
// Qt reports an error for every 4xx and 5xx status too; the judge fails those.
bool endedWithAStatus(const QNetworkReply *reply, int status) {
    return reply->error() == QNetworkReply::NoError || status >= 400;
}

// A table the earlier game wrote may hold a name longer than one typed here
// or a score with leading zeros; the score board takes neither, so such an
// entry goes out as this game would have written it.
TabulkaSkore asTypedHere(TabulkaSkore table) {
    static const QRegularExpression withLeadingZeros(
        QRegularExpression::anchoredPattern(QStringLiteral("-?0+[0-9]+")));
    for (int i = 0; i < TabulkaSkore::kEntries; ++i) {
        ScoreEntry entry = table.entry(i);
        entry.name.truncate(TabulkaSkore::kMaxNameLength);
        if (withLeadingZeros.match(entry.score).hasMatch())
            entry.score = QString::number(entry.score.toInt());
        table.setEntry(i, std::move(entry));
    }
    return table;
}

} // namespace

OdeslatFrm::OdeslatFrm() : Form(Kind::Dialog, 5070, 1725) {
    setObjectName(QStringLiteral("OdeslatFrm"));
    setWindowTitle(QStringLiteral("Odeslat výsledky na web"));

    m_label2 = addLabel("Label2", Twips::rect(135, 135, 4785, 315));
    m_label3 = addLabel("Label3", Twips::rect(135, 450, 4785, 390));
    m_label4 = addLabel("Label4", Twips::rect(135, 840, 4785, 300));
    for (QLabel *label : {m_label2, m_label3, m_label4})
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    m_cmdSend = addButton("cmdSend", kSendCaption, Twips::rect(1755, 1200, 1515, 375));
    connect(m_cmdSend, &QPushButton::clicked, this, &OdeslatFrm::cmdSend_Click);
    setDefaultButton(m_cmdSend);
    m_cmdSend->setFocus();

    m_network = new QNetworkAccessManager(this);
    m_totalTimer.setSingleShot(true);
    connect(&m_totalTimer, &QTimer::timeout, this, &OdeslatFrm::giveUp);
}

OdeslatFrm::~OdeslatFrm() {
    // A window deleted without closing (the program ending) still gives up
    // its request itself rather than leave it to the manager's teardown.
    dropReply();
}

void OdeslatFrm::Form_Load() {
    m_cmdSend->setText(kSendCaption);
    setTextColour(m_label2, Qt::black);
    setTextColour(m_label4, Qt::black);
    setLine(m_label2,
            QStringLiteral("Vaše výsledky budou anonymně odeslány na internetovou adresu"));
    QFont address = font();
    address.setPixelSize(16); // 12 points
    address.setBold(true);
    m_label3->setFont(address);
    m_label3->setText(pageUrl().toString(QUrl::StripTrailingSlash));
    shrinkToFit(m_label3);
    setLine(m_label4, QStringLiteral("kde je můžete porovnat s výsledky ostatních hráčů."));
}

void OdeslatFrm::setAddresses(const QUrl &post, const QUrl &page) {
    settings().post = post;
    settings().page = page;
}

QUrl OdeslatFrm::submitUrl() {
    const QUrl &post = settings().post;
    return post.isEmpty() ? QUrl(QString::fromUtf8(BuildConfig::kScoreboardPost)) : post;
}

QUrl OdeslatFrm::pageUrl() {
    const QUrl &page = settings().page;
    return page.isEmpty() ? QUrl(QString::fromUtf8(BuildConfig::kScoreboardPage)) : page;
}

void OdeslatFrm::setTimeouts(std::chrono::milliseconds stall, std::chrono::milliseconds total) {
    settings().stall = stall;
    settings().total = total;
}

void OdeslatFrm::cmdSend_Click() {
    if (m_cmdSend->text() == kDoneCaption) {
        close();
        return;
    }
    // The table is read again: another run of the game may have changed it.
    // A damaged one is reported there and replaced by an empty table, which
    // is then what goes out.
    QPointer<OdeslatFrm> self(this);
    HraciPoleFrm *main = HraciPoleFrm::instance();
    if (!main)
        return;
    main->NactiSkore();
    if (!self || Program::isEnding())
        return;
    post(FormBody::build(asTypedHere(main->table())));
}

void OdeslatFrm::post(const QByteArray &body) {
    // Pressing again before the answer sends again; only the newest request
    // is answered to the player.
    dropReply();
    m_replyBody.clear();

    QNetworkRequest request(submitUrl());
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/x-www-form-urlencoded"));
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray(kUserAgent));
    // Qt turns a POST answered by 301, 302 or 303 into a GET, as browsers do,
    // and posts again on 307 and 308; it never follows from https to http.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(int(settings().stall.count()));

    m_reply = m_network->post(request, body);
    connect(m_reply, &QNetworkReply::readyRead, this, &OdeslatFrm::replyReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &OdeslatFrm::replyFinished);
    m_totalTimer.start(settings().total);
}

void OdeslatFrm::replyReadyRead() {
    if (!m_reply || !m_reply->isOpen())
        return;
    m_replyBody += m_reply->readAll();
    if (m_replyBody.size() > kMaxReplyBytes)
        giveUp();
}

void OdeslatFrm::replyFinished() {
    QNetworkReply *reply = m_reply;
    if (!reply || reply != sender())
        return;
    if (reply->isOpen()) // a reply that timed out is closed already
        m_replyBody += reply->readAll();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool answered = endedWithAStatus(reply, status);
    const QByteArray contentType = reply->rawHeader(QByteArrayLiteral("Content-Type"));
    m_totalTimer.stop();
    m_reply = nullptr;
    reply->deleteLater();

    if (!answered || m_replyBody.size() > kMaxReplyBytes) {
        WebBrowser1_DocumentComplete(ReplyJudge::Verdict::Failed);
        return;
    }
    WebBrowser1_DocumentComplete(ReplyJudge::judge(m_replyBody, contentType, status));
}

void OdeslatFrm::giveUp() {
    dropReply();
    WebBrowser1_DocumentComplete(ReplyJudge::Verdict::Failed);
}

void OdeslatFrm::dropReply() {
    m_totalTimer.stop();
    if (!m_reply)
        return;
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    // Disconnected first: abort() reports finished at once.
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}

void OdeslatFrm::WebBrowser1_DocumentComplete(ReplyJudge::Verdict verdict) {
    switch (verdict) {
    case ReplyJudge::Verdict::Sending:
        return;
    case ReplyJudge::Verdict::Succeeded:
        setLine(m_label2, QStringLiteral("Program se pokusil odeslat výsledky na"));
        setLine(m_label4, QStringLiteral("Úspěšnost zkontrolujete navštívením této stránky."));
        break;
    case ReplyJudge::Verdict::Failed:
        setTextColour(m_label2, QColor(255, 0, 0));
        setTextColour(m_label4, QColor(255, 0, 0));
        setLine(m_label2, QStringLiteral("Bohužel se nepodařilo odeslat výsledky na"));
        setLine(m_label4,
                QStringLiteral("Připojujete-li se k internetu přes modem, nejprve se připojte."));
        break;
    }
    m_cmdSend->setText(kDoneCaption);
}

void OdeslatFrm::setLine(QLabel *label, const QString &text) {
    // The designed font is narrower than the one most systems stand in for
    // it: a line that would be cut off is set a little smaller instead.
    label->setFont(font());
    label->setText(text);
    shrinkToFit(label);
}

void OdeslatFrm::Form_Unload() {
    dropReply();
    if (HraciPoleFrm *main = HraciPoleFrm::instance())
        main->menuWindowClosed();
}

void OdeslatFrm::keyPressEvent(QKeyEvent *event) {
    // The window has one button, and it is no cancel button: Esc closes as
    // the close box does.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    Form::keyPressEvent(event);
}
