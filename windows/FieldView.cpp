#include "windows/FieldView.h"

#include "toolkit/Twips.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace {
constexpr int kSquare = 345; // twips, 23 pixels

Artwork block(int colour) {
    return {QStringLiteral(":/assets/block%1.png").arg(colour), QSize(23, 23)};
}
} // namespace

FieldView::FieldView(const Game &game, QWidget *parent)
    : QWidget(parent), m_field(game.field()),
      m_background(QStringLiteral(":/assets/background.png"), QSize(500, 350)), m_blocks{block(0),
                                                                                         block(1),
                                                                                         block(2),
                                                                                         block(3),
                                                                                         block(4)} {
    setObjectName(QStringLiteral("HIm"));
    setFixedSize(Twips::toPixels(7485), Twips::toPixels(5190));
    // The whole field is painted here; nothing behind it needs drawing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(&game, &Game::fieldReset, this, qOverload<>(&QWidget::update));
    connect(&game, &Game::topSquareChanged, this, [this](int i) { update(topSquareRect(i)); });
    connect(&game, &Game::columnsChanged, this, &FieldView::updateColumns);
}

QRect FieldView::topSquareRect(int i) {
    return Twips::rect(-225 + kSquare * i, 285, kSquare, kSquare);
}

QRect FieldView::cellRect(int column, int row) {
    return Twips::rect(2190 + 690 * column, 705 + kSquare * row, kSquare, kSquare);
}

void FieldView::updateColumns() {
    update(cellRect(0, 0).united(cellRect(Field::kColumns - 1, Field::kBottomRow)));
}

void FieldView::paintEvent(QPaintEvent *event) {
    const qreal ratio = devicePixelRatioF();
    QPainter painter(this);
    const QRect dirty = event->rect();
    painter.drawPixmap(dirty, m_background.at(ratio),
                       QRectF(QPointF(dirty.topLeft()) * ratio, QSizeF(dirty.size()) * ratio));
    auto paintSquare = [&](QRect where, Square value) {
        if (value != Colour::Empty && where.intersects(dirty))
            painter.drawPixmap(where.topLeft(), m_blocks[value].at(ratio));
    };
    for (int i = 0; i < Field::kTopSquares; ++i)
        paintSquare(topSquareRect(i), m_field.top(i));
    for (int column = 0; column < Field::kColumns; ++column)
        for (int row = 0; row < Field::kRows; ++row)
            paintSquare(cellRect(column, row), m_field.cell(column, row));
}

void FieldView::mousePressEvent(QMouseEvent *event) {
    const QPoint at = event->position().toPoint();
    for (int i = 0; i < Field::kTopSquares; ++i) {
        if (topSquareRect(i).contains(at)) {
            emit topSquarePressed(i);
            return;
        }
    }
    QWidget::mousePressEvent(event);
}
