// Field edits and counts that the game's two suites share, with and without a window.
#pragma once

#include "rules/game/Field.h"

// Column `column` holds `blocks` blocks of its own colour, stacked from the bottom.
inline void stack(Field &field, int column, int blocks) {
    for (int row = 0; row < Field::kRows; ++row)
        field.setCell(column, row,
                      row > Field::kBottomRow - blocks ? Square(column) : Colour::Empty);
}

// The blocks on the top row: each row tick adds one until it is full.
inline int blocksOnTopRow(const Field &field) {
    int n = 0;
    for (int i = 0; i < Field::kTopSquares; ++i)
        n += field.top(i) != Colour::Empty;
    return n;
}
