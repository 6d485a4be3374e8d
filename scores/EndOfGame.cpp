#include "scores/EndOfGame.h"

#include "game/HraciPoleFrm.h"
#include "game/Scoring.h"
#include "shell/Twips.h"

#include <QLabel>

void EndOfGame::placeOverMainWindow(QWidget *window) {
    const QWidget *main = HraciPoleFrm::instance();
    window->move(main->x(), main->y() + Twips::toPixels(105));
}

QString EndOfGame::finalScoreText() {
    return Scoring::formatScore(HraciPoleFrm::instance()->Skore());
}

QLabel *EndOfGame::scoreLabel(QLabel *label, Qt::GlobalColor colour) {
    QFont font = label->font();
    font.setPixelSize(23); // 17.25 points
    font.setBold(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}
