#include "windows/EndOfGameWindow.h"

#include "rules/game/Scoring.h"
#include "toolkit/Twips.h"

#include <QLabel>

EndOfGameWindow::EndOfGameWindow(const QString &title, const QString &picture, QRect scoreRect,
                                 Qt::GlobalColor scoreColour, QPoint mainWindowPosition, int score)
    : Form(Kind::Window, 7455, 5250) {
    setWindowTitle(title);
    setBackgroundPicture(picture, QSize(500, 350));
    QLabel *scoreLabel = addLabel("Label10", scoreRect, Scoring::formatScore(score));
    QFont font = scoreLabel->font();
    font.setPixelSize(23); // 17.25 points
    font.setBold(true);
    scoreLabel->setFont(font);
    setTextColour(scoreLabel, scoreColour);
    // Over the hidden main window: the same left edge, the top 105 twips lower.
    move(mainWindowPosition + QPoint(0, Twips::toPixels(105)));
}
