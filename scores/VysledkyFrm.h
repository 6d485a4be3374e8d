// The five best results, with clearing them and sending them to the score board.
#pragma once

#include "shell/Form.h"

#include <array>

class QLabel;
class QPushButton;

class VysledkyFrm : public Form {
    Q_OBJECT
public:
    VysledkyFrm();

    void OKButton_Click();
    void Command1_Click();
    void Command2_Click();

protected:
    void Form_Unload() override;

private:
    // The rows show the table as it is now.
    void showTable();

    std::array<QLabel *, 5> m_label2; // names
    std::array<QLabel *, 5> m_label3; // scores
};
