// The end of a game that made no record: the final score over a laughing chimpanzee.
#pragma once

#include "shell/Form.h"

class QLabel;
class QPushButton;

class BezVyhryFrm : public Form {
    Q_OBJECT
public:
    BezVyhryFrm();
    void Form_Load() override;

    void Command1_Click();

protected:
    void Form_Unload() override;

private:
    QLabel *m_label10;
    QPushButton *m_command1;
};
