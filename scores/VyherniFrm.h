// The end of a game that made a record: the player types a name for the table.
#pragma once

#include "shell/Form.h"

class QLabel;
class QLineEdit;
class QPushButton;

class VyherniFrm : public Form {
    Q_OBJECT
public:
    VyherniFrm();
    void Form_Load() override;

    void Command1_Click();
    void Text1_KeyPress(int KeyAscii);

protected:
    void Form_Unload() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *m_label10;
    QLineEdit *m_text1;
    QPushButton *m_command1;
};
