// The end of a game that made no record: the final score over a laughing chimpanzee.
#pragma once

#include "windows/EndOfGameWindow.h"

class NoRecordWindow : public EndOfGameWindow {
    Q_OBJECT
public:
    NoRecordWindow(QPoint mainWindowPosition, int score);
};
