// The end of a game that made a record: the player types a name for the table.
#pragma once

#include "windows/EndOfGameWindow.h"

class QLineEdit;

class RecordWindow : public EndOfGameWindow {
    Q_OBJECT
public:
    RecordWindow(QPoint mainWindowPosition, int score);

    // The name typed so far; "Anonym" once OK was pressed on an empty box.
    // Empty when the window was closed by its close box with nothing typed.
    QString name() const;

private:
    void confirm();

    QLineEdit *m_nameBox;
};
