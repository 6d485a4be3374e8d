// Paints the playing field, background and 88 cells, from the game's square values.
#pragma once

#include "rules/game/Game.h"
#include "toolkit/Artwork.h"

#include <QPixmap>
#include <QWidget>
#include <array>

class FieldView : public QWidget {
    Q_OBJECT
public:
    // Repaints what the game changes, at the next chance.
    FieldView(const Game &game, QWidget *parent);

    static QRect topSquareRect(int i);
    static QRect cellRect(int column, int row);

signals:
    // A mouse button, any of them, went down on top-row square `square`.
    void topSquarePressed(int square);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void updateColumns();

    const Field &m_field;
    Artwork m_background;
    std::array<Artwork, Colour::kCount> m_blocks;
};
