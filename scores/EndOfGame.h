// What the two end-of-game windows share: they take the main window's place
// and show the final score over a picture.
#pragma once

#include "shell/Form.h"

class QLabel;

class EndOfGameFrm : public Form {
    Q_OBJECT
public:
    // Places the window over the hidden main window and shows the final score.
    void Form_Load() override;

protected:
    // `scoreRect` is where the score label completes the picture's sentence.
    EndOfGameFrm(const QString &title, const QString &picture, QRect scoreRect,
                 Qt::GlobalColor scoreColour);

private:
    QLabel *m_label10;
};
