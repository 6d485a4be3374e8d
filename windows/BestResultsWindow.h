// The five best results, with clearing them and sending them to the score board.
#pragma once

#include "toolkit/Form.h"

#include <QUrl>
#include <array>

class QLabel;
class ScoreKeeper;

class BestResultsWindow : public Form {
    Q_OBJECT
public:
    // `page` is the score board's ranking page, shown under the table.
    BestResultsWindow(ScoreKeeper &scores, const QUrl &page, QWidget *owner);

signals:
    // The player wants the results sent; the window closes right after.
    void sendRequested();

private:
    // The rows show the table as it is now.
    void showTable();
    void clearTable();

    ScoreKeeper &m_scores;
    std::array<QLabel *, 5> m_nameLabels;
    std::array<QLabel *, 5> m_scoreLabels;
};
