// The playing field as square values: the moving top row and the five columns.
#pragma once

#include <QtGlobal>
#include <array>
#include <functional>

// What one cell holds: 0 to 4 a block of that colour, 5 nothing.
using Square = quint8;

namespace Colour {
constexpr Square Blue = 0, Green = 1, Orange = 2, Red = 3, White = 4;
constexpr Square Empty = 5;
constexpr int kCount = 5;
} // namespace Colour

class Field {
public:
    static constexpr int kTopSquares = 23; // HIm(0) .. HIm(22), left to right
    static constexpr int kColumns = 5;     // Dm, Dz, Dor, Dc, Df; column k takes colour k
    static constexpr int kRows = 13;       // row 0 at the top
    static constexpr int kBottomRow = 12;
    static constexpr int kStackTopRow = 3; // rows 0 to 2 are the entry zone a block falls through
    static constexpr int kStartingBlocks = 5;
    // The squares of the top row that stand above the columns, column by column.
    static constexpr std::array<int, kColumns> kLaunchSquares{7, 9, 11, 13, 15};

    // The column under a top-row square, or -1 when it is not a launch square.
    static int columnUnder(int topSquare);

    Field();

    Square top(int i) const { return m_top[i]; }
    void setTop(int i, Square value) { m_top[i] = value; }
    Square cell(int column, int row) const { return m_columns[column][row]; }
    void setCell(int column, int row, Square value) { m_columns[column][row] = value; }

    // Every square empty: the columns row by row, then the top row.
    void clear();
    // The five bottom rows of each column filled with the column's colour.
    void placeStartingBlocks();

    // The row clock's shift: square i takes square i + 1 for i = 0 .. 21, and
    // afterCopy(i) runs after each copy; false from it stops the shift there.
    // Then the square at the right end takes draw(). Returns whether it completed.
    bool shiftRow(const std::function<bool(int)> &afterCopy, const std::function<Square()> &draw);

    // A column whose bottom row is empty has run dry.
    bool anyColumnEmpty() const;
    // Every column sinks by one row: its bottom block goes, rows 3 to 12 take the row above.
    void sink();

    struct Send {
        enum Outcome {
            NothingToSend, // the launch square is empty
            ColumnFull,    // row 3 is taken; the block stays in the top row
            Landed,
        } outcome;
        int restingRow = -1;      // where the block came to rest, when it landed
        bool rightColour = false; // it matches the column's colour
    };
    // Sends the block on the launch square above `column` down into it.
    Send send(int column);

private:
    std::array<Square, kTopSquares> m_top;
    std::array<std::array<Square, kRows>, kColumns> m_columns;
};
