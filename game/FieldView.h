// Paints the playing field, background and 88 cells, from the field's square values.
#pragma once

#include "game/Field.h"
#include "shell/Artwork.h"

#include <QPixmap>
#include <QWidget>
#include <array>

class FieldView : public QWidget {
    Q_OBJECT
public:
    FieldView(const Field &field, QWidget *parent);

    static QRect topSquareRect(int i);
    static QRect cellRect(int column, int row);

    // Only enabled top-row squares take presses; the window enables the launch squares.
    void setSquareEnabled(int i, bool enabled) { m_enabled[i] = enabled; }
    bool isSquareEnabled(int i) const { return m_enabled[i]; }

    // Repaints, at the next chance, what changed.
    void updateTopSquare(int i) { update(topSquareRect(i)); }
    void updateColumns();

signals:
    // A mouse button went down on an enabled top-row square.
    void squarePressed(int index, Qt::MouseButton button, Qt::KeyboardModifiers shift,
                       QPointF position);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    const Field &m_field;
    std::array<bool, Field::kTopSquares> m_enabled{};
    Artwork m_background;
    std::array<Artwork, Colour::kCount> m_blocks;
};
