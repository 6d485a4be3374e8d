// The end of a game that made a record: the player types a name for the table.
#pragma once

#include "scores/EndOfGame.h"

class QLineEdit;
class QPushButton;

class VyherniFrm : public EndOfGameFrm {
    Q_OBJECT
public:
    VyherniFrm();

    void Command1_Click();
    void Text1_KeyPress(int KeyAscii);

protected:
    void Form_Unload() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *m_text1;
    QPushButton *m_command1;
};
