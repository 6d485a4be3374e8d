// Posting the five best results and telling the player how it went.
#include "windows/SendWindow.h"

#include "rules/web/FormBody.h"
#include "toolkit/Program.h"
#include "toolkit/Twips.h"
#include "windows/ScoreKeeper.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace {

// A table the earlier game wrote may hold a name longer than one typed here,
// which the score board refuses: such a name goes out cut as this game would
// have cut it.
ScoreTable withNamesAsTypedHere(ScoreTable table) {
    for (int i = 0; i < ScoreTable::kEntries; ++i) {
        ScoreEntry entry = table.entry(i);
        entry.name.truncate(ScoreTable::kMaxNameLength);
        table.setEntry(i, std::move(entry));
    }
    return table;
}

} // namespace

SendWindow::SendWindow(ScoreKeeper &scores, ScoreBoard board, QWidget *owner)
    : Form(Kind::Dialog, 5070, 1725, owner), m_scores(scores), m_board(std::move(board)) {
    setObjectName(QStringLiteral("OdeslatFrm"));
    setWindowTitle(QStringLiteral("Odeslat výsledky na web"));

    m_firstLine = addLabel("Label2", Twips::rect(135, 135, 4785, 315));
    m_addressLine = addLabel("Label3", Twips::rect(135, 450, 4785, 390));
    m_lastLine = addLabel("Label4", Twips::rect(135, 840, 4785, 300));
    for (QLabel *label : {m_firstLine, m_addressLine, m_lastLine})
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    m_sendButton = addButton("cmdSend", {}, Twips::rect(1755, 1200, 1515, 375));
    connect(m_sendButton, &QPushButton::clicked, this, &SendWindow::sendOrClose);
    setDefaultButton(m_sendButton);
    m_sendButton->setFocus();

    m_totalTimer.setSingleShot(true);
    connect(&m_totalTimer, &QTimer::timeout, this, &SendWindow::giveUp);

    QFont address = font();
    address.setPixelSize(16); // 12 points
    address.setBold(true);
    m_addressLine->setFont(address);
    m_addressLine->setText(m_board.page.toString(QUrl::StripTrailingSlash));
    shrinkToFit(m_addressLine);
    setState(State::Offering);
}

SendWindow::~SendWindow() {
    // A window deleted without closing (the program ending) still gives up
    // its request itself rather than leave it to the manager's teardown.
    dropReply();
}

void SendWindow::sendOrClose() {
    if (m_state != State::Offering) {
        close();
        return;
    }
    // The table is read again: another run of the game may have changed it.
    // A damaged one is reported there and replaced by an empty table, which
    // is then what goes out.
    QPointer<SendWindow> self(this);
    m_scores.load();
    if (!self || Program::isEnding())
        return;
    post(FormBody::build(withNamesAsTypedHere(m_scores.table())));
}

void SendWindow::post(const QByteArray &body) {
    // Pressing again before the answer sends again; only the newest request
    // is answered to the player.
    dropReply();
    m_replyBody.clear();

    if (!m_network)
        m_network = ScorePoster::create(this);
    if (!m_network) {
        showVerdict(ReplyJudge::Verdict::Failed);
        return;
    }
    m_reply = m_network->post(
        m_board.post, body, m_board.stall, [this] { replyReadyRead(); },
        [this] { replyFinished(); });
    m_totalTimer.start(m_board.total);
}

void SendWindow::replyReadyRead() {
    m_replyBody += m_reply->takeBody();
    if (m_replyBody.size() > kMaxReplyBytes)
        giveUp();
}

void SendWindow::replyFinished() {
    m_replyBody += m_reply->takeBody();
    const int status = m_reply->status();
    const QByteArray contentType = m_reply->contentType();
    m_totalTimer.stop();
    m_reply.reset();

    if (status == 0 || m_replyBody.size() > kMaxReplyBytes) {
        showVerdict(ReplyJudge::Verdict::Failed);
        return;
    }
    showVerdict(ReplyJudge::judge(m_replyBody, contentType, status));
}

void SendWindow::giveUp() {
    dropReply();
    showVerdict(ReplyJudge::Verdict::Failed);
}

void SendWindow::dropReply() {
    m_totalTimer.stop();
    m_reply.reset();
}

void SendWindow::showVerdict(ReplyJudge::Verdict verdict) {
    switch (verdict) {
    case ReplyJudge::Verdict::Sending:
        return;
    case ReplyJudge::Verdict::Succeeded:
        setState(State::Succeeded);
        return;
    case ReplyJudge::Verdict::Failed:
        setState(State::Failed);
        return;
    }
}

void SendWindow::setState(State state) {
    m_state = state;
    QString first, last;
    switch (state) {
    case State::Offering:
        first = QStringLiteral("Vaše výsledky budou anonymně odeslány na internetovou adresu");
        last = QStringLiteral("kde je můžete porovnat s výsledky ostatních hráčů.");
        break;
    case State::Succeeded:
        first = QStringLiteral("Program se pokusil odeslat výsledky na");
        last = QStringLiteral("Úspěšnost zkontrolujete navštívením této stránky.");
        break;
    case State::Failed:
        first = QStringLiteral("Bohužel se nepodařilo odeslat výsledky na");
        last = QStringLiteral("Připojujete-li se k internetu přes modem, nejprve se připojte.");
        break;
    }
    const QColor colour = state == State::Failed ? QColor(255, 0, 0) : QColor(Qt::black);
    for (QLabel *line : {m_firstLine, m_lastLine})
        setTextColour(line, colour);
    setLine(m_firstLine, first);
    setLine(m_lastLine, last);
    m_sendButton->setText(state == State::Offering ? QStringLiteral("Odeslat na web")
                                                   : QStringLiteral("OK"));
}

void SendWindow::setLine(QLabel *label, const QString &text) {
    // The designed font is narrower than the one most systems stand in for
    // it: a line that would be cut off is set a little smaller instead.
    label->setFont(font());
    label->setText(text);
    shrinkToFit(label);
}

void SendWindow::closing() {
    dropReply();
}

void SendWindow::keyPressEvent(QKeyEvent *event) {
    // The window has one button, and it is no cancel button: Esc closes as
    // the close box does.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    Form::keyPressEvent(event);
}
