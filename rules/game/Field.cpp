#include "rules/game/Field.h"

#include <algorithm>

int Field::columnUnder(int topSquare) {
    const auto it = std::find(kLaunchSquares.begin(), kLaunchSquares.end(), topSquare);
    return it == kLaunchSquares.end() ? -1 : int(it - kLaunchSquares.begin());
}

Field::Field() {
    clear();
}

void Field::clear() {
    for (auto &column : m_columns)
        column.fill(Colour::Empty);
    m_top.fill(Colour::Empty);
}

void Field::placeStartingBlocks() {
    for (int row = kRows - kStartingBlocks; row <= kBottomRow; ++row)
        for (int column = 0; column < kColumns; ++column)
            m_columns[column][row] = Square(column);
}

bool Field::shiftRow(const std::function<bool(int)> &afterCopy,
                     const std::function<Square()> &draw) {
    for (int i = 0; i < kTopSquares - 1; ++i) {
        m_top[i] = m_top[i + 1];
        if (!afterCopy(i))
            return false;
    }
    m_top[kTopSquares - 1] = draw();
    return true;
}

bool Field::anyColumnEmpty() const {
    return std::any_of(m_columns.begin(), m_columns.end(),
                       [](const auto &column) { return column[kBottomRow] == Colour::Empty; });
}

void Field::sink() {
    for (int i = 0; i <= kBottomRow - kStackTopRow; ++i)
        for (auto &column : m_columns)
            column[kBottomRow - i] = column[kBottomRow - 1 - i];
}

Field::Send Field::send(int column) {
    const int launch = kLaunchSquares[column];
    if (m_top[launch] == Colour::Empty)
        return {Send::NothingToSend};
    auto &rows = m_columns[column];
    if (rows[kStackTopRow] != Colour::Empty)
        return {Send::ColumnFull};

    rows[0] = m_top[launch];
    m_top[launch] = Colour::Empty;
    int r = 0;
    while (r < kBottomRow && rows[r + 1] == Colour::Empty) {
        rows[r + 1] = rows[r];
        rows[r] = Colour::Empty;
        ++r;
    }
    return {Send::Landed, r, rows[r] == Square(column)};
}
