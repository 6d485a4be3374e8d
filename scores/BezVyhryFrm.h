// The end of a game that made no record: the final score over a laughing chimpanzee.
#pragma once

#include "scores/EndOfGame.h"

class BezVyhryFrm : public EndOfGameFrm {
    Q_OBJECT
public:
    BezVyhryFrm();

    void Command1_Click();

protected:
    void Form_Unload() override;
};
