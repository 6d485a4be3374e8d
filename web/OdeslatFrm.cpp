// Posting the five best results and telling the player how it went.
#include "web/OdeslatFrm.h"

#include "game/HraciPoleFrm.h"
#include "shell/BuildConfig.h"
#include "shell/Program.h"
#include "shell/Twips.h"
#include "web/FormBody.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace {

const QString kSendCaption = QStringLiteral("Odeslat na web");
const QString kDoneCaption = QStringLiteral("OK");

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
    post(FormBody::build(main->table()));
}

void OdeslatFrm::post(const QByteArray &body) {
    // Pressing again before the answer sends again; only the newest request
    // is answered to the player.
    dropReply();
    m_replyBody.clear();
    if (!m_network)
        m_network = ScorePoster::create(this);
    if (!m_network) {
        WebBrowser1_DocumentComplete(ReplyJudge::Verdict::Failed);
        return;
    }
    m_reply = m_network->post(
        submitUrl(), body, settings().stall, [this] { replyReadyRead(); },
        [this] { replyFinished(); });
    m_totalTimer.start(settings().total);
}

void OdeslatFrm::replyReadyRead() {
    m_replyBody += m_reply->takeBody();
    if (m_replyBody.size() > kMaxReplyBytes)
        giveUp();
}

void OdeslatFrm::replyFinished() {
    m_replyBody += m_reply->takeBody();
    const bool page = m_reply->broughtAPage();
    const QByteArray contentType = m_reply->contentType();
    m_totalTimer.stop();
    m_reply.reset();

    if (!page || m_replyBody.size() > kMaxReplyBytes) {
        WebBrowser1_DocumentComplete(ReplyJudge::Verdict::Failed);
        return;
    }
    WebBrowser1_DocumentComplete(ReplyJudge::judge(m_replyBody, contentType));
}

void OdeslatFrm::giveUp() {
    dropReply();
    WebBrowser1_DocumentComplete(ReplyJudge::Verdict::Failed);
}

void OdeslatFrm::dropReply() {
    m_totalTimer.stop();
    m_reply.reset();
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
