// How to play: the rules in a few paragraphs.
#pragma once

#include "shell/Form.h"

class HowToPlayWindow : public Form {
    Q_OBJECT
public:
    explicit HowToPlayWindow(QWidget *owner);
};
