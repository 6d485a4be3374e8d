// What the two end-of-game windows share: they take the hidden main window's
// place and show the final score over a picture.
#pragma once

#include "toolkit/Form.h"

class QLabel;

class EndOfGameWindow : public Form {
    Q_OBJECT
protected:
    // `scoreRect` is where the score label completes the picture's sentence;
    // `mainWindowPosition` is where the hidden main window stands.
    EndOfGameWindow(const QString &title, const QString &picture, QRect scoreRect,
                    Qt::GlobalColor scoreColour, QPoint mainWindowPosition, int score);
};
