// How to play: the rules in a few paragraphs.
#pragma once

#include "shell/Form.h"

class QLabel;

class JakHratFrm : public Form {
    Q_OBJECT
public:
    JakHratFrm();

    void Form_Load() override;
    void OKButton_Click();

protected:
    void Form_Unload() override;

private:
    QLabel *m_label2;
};
