// How to play: the rules in a few paragraphs.
#pragma once

#include "toolkit/Form.h"

class HowToPlayWindow : public Form {
    Q_OBJECT
public:
    // contact: the e-mail address the text ends with.
    HowToPlayWindow(const QString &contact, QWidget *owner);
};
