// What the two end-of-game windows share: their place and the final score.
#pragma once

#include <Qt>

class QLabel;
class QString;
class QWidget;

namespace EndOfGame {

// Over the hidden main window: the same left edge, the top 105 twips lower.
void placeOverMainWindow(QWidget *window);

// The main window's final score as "00 000".
QString finalScoreText();

// The big bold score label, transparent over the picture.
QLabel *scoreLabel(QLabel *label, Qt::GlobalColor colour);

} // namespace EndOfGame
