// The window that sends the five best results to the web score board.
#pragma once

#include "shell/Form.h"
#include "web/ReplyJudge.h"
#include "web/ScorePost.h"

#include <QByteArray>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <chrono>

class QLabel;
class QPushButton;

// The window tells where the results go and, once the score board answered,
// whether they got there. Its state lives in its controls, as the player sees
// it: the button reads "Odeslat na web" until a reply was judged and "OK"
// after; the message lines turn red when sending failed.
class OdeslatFrm : public Form {
    Q_OBJECT
public:
    OdeslatFrm();
    ~OdeslatFrm() override;

    void Form_Load() override;

    // The handlers, public so the toolkit and the tests can raise them.
    void cmdSend_Click();
    // A reply was judged (an empty body changes nothing).
    void WebBrowser1_DocumentComplete(ReplyJudge::Verdict verdict);

    // Where the results are posted and the page shown to the player. An empty
    // address stands for the one fixed at build time.
    static void setAddresses(const QUrl &post, const QUrl &page);
    static QUrl submitUrl();
    static QUrl pageUrl();

    // How long a reply may stall without a byte and how long it may take in all.
    static constexpr std::chrono::milliseconds kStallLimit{30000};
    static constexpr std::chrono::milliseconds kTotalLimit{120000};
    static void setTimeouts(std::chrono::milliseconds stall, std::chrono::milliseconds total);

    // A reply longer than this is no answer of the score board.
    static constexpr qsizetype kMaxReplyBytes = 1024 * 1024;

protected:
    void Form_Unload() override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void setLine(QLabel *label, const QString &text);
    void post(const QByteArray &body);
    void replyReadyRead();
    void replyFinished();
    void giveUp();
    // Forgets the running request, if any, so none of its signals reaches us.
    void dropReply();

    QLabel *m_label2 = nullptr;
    QLabel *m_label3 = nullptr;
    QLabel *m_label4 = nullptr;
    QPushButton *m_cmdSend = nullptr;
    std::unique_ptr<ScorePoster> m_network; // loaded with the first post
    std::unique_ptr<ScorePost> m_reply;
    QByteArray m_replyBody;
    QTimer m_totalTimer;
};
