// The best results of the run as the player meets them: the score book loaded,
// changed and saved, with a message when the stored table was damaged or could
// not be saved, and a signal for the windows that show the table.
#pragma once

#include "rules/scores/ScoreBook.h"

#include <QObject>
#include <functional>

class QWidget;

class ScoreKeeper : public QObject {
    Q_OBJECT
public:
    // The messages stand over `messagesOver`, the main window.
    explicit ScoreKeeper(QWidget *messagesOver);

    const ScoreTable &table() const { return m_book.table(); }

    // Reads the stored table again, telling the player when it was damaged.
    void load();
    // Changes the table and saves it in one step no other running copy of the
    // game can come between (reloading it first when asked).
    void change(const ScoreBook::Change &change, bool reloadFirst);

signals:
    // The table was loaded or saved: windows that show it show it again.
    void tableChanged();

private:
    void reportDamage();
    void reportSaveFailure();

    QWidget *m_messagesOver;
    ScoreBook m_book;
    bool m_saveFailureReported = false;
};
