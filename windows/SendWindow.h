// The window that sends the five best results to the web score board.
#pragma once

#include "rules/web/ReplyJudge.h"
#include "rules/web/ScorePost.h"
#include "toolkit/Form.h"

#include <QByteArray>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <chrono>

class QLabel;
class QPushButton;
class ScoreKeeper;

// The window tells where the results go and, once the score board answered,
// whether they got there. Until a reply was judged its button sends; after,
// it closes the window. The lines and the button's caption are drawn from
// that state.
class SendWindow : public Form {
    Q_OBJECT
public:
    // Where the results go and how long the score board may take to answer.
    struct ScoreBoard {
        QUrl post;                               // the form is posted here
        QUrl page;                               // the ranking shown to the player
        std::chrono::milliseconds stall{30000};  // a reply silent this long fails
        std::chrono::milliseconds total{120000}; // a reply may take this long in all
    };

    SendWindow(ScoreKeeper &scores, ScoreBoard board, QWidget *owner);
    ~SendWindow() override;

    // A reply longer than this is no answer of the score board.
    static constexpr qsizetype kMaxReplyBytes = 1024 * 1024;

protected:
    void closing() override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    enum class State {
        Offering,  // nothing judged yet: the button sends (again)
        Succeeded, // the score board took the results
        Failed,    // they did not get there
    };

    // Sends the table, or closes the window once a reply was judged.
    void sendOrClose();
    // A reply was judged (an empty body changes nothing).
    void showVerdict(ReplyJudge::Verdict verdict);
    // Enters the state and shows its words.
    void setState(State state);
    void setLine(QLabel *label, const QString &text);
    void post(const QByteArray &body);
    void replyReadyRead();
    void replyFinished();
    void giveUp();
    // Forgets the running request, if any, so none of its signals reaches us.
    void dropReply();

    ScoreKeeper &m_scores;
    ScoreBoard m_board;
    QLabel *m_firstLine = nullptr;
    QLabel *m_addressLine = nullptr;
    QLabel *m_lastLine = nullptr;
    QPushButton *m_sendButton = nullptr;
    State m_state = State::Offering;
    std::unique_ptr<ScorePoster> m_network; // loaded with the first post
    std::unique_ptr<ScorePost> m_reply;
    QByteArray m_replyBody;
    QTimer m_totalTimer;
};
