#include "scores/EndOfGame.h"

#include "game/HraciPoleFrm.h"
#include "game/Scoring.h"
#include "shell/Twips.h"

#include <QLabel>

EndOfGameFrm::EndOfGameFrm(const QString &title, const QString &picture, QRect scoreRect,
                           Qt::GlobalColor scoreColour)
    : Form(Kind::Window, 7455, 5250), m_label10(addLabel("Label10", scoreRect)) {
    setWindowTitle(title);
    setBackgroundPicture(picture, QSize(500, 350));
    QFont font = m_label10->font();
    font.setPixelSize(23); // 17.25 points
    font.setBold(true);
    m_label10->setFont(font);
    setTextColour(m_label10, scoreColour);
}

void EndOfGameFrm::Form_Load() {
    // Over the hidden main window: the same left edge, the top 105 twips lower.
    const HraciPoleFrm *main = HraciPoleFrm::instance();
    move(main->x(), main->y() + Twips::toPixels(105));
    m_label10->setText(Scoring::formatScore(main->Skore()));
}
