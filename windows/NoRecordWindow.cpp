#include "windows/NoRecordWindow.h"

#include "toolkit/Twips.h"

#include <QPushButton>

NoRecordWindow::NoRecordWindow(QPoint mainWindowPosition, int score)
    : EndOfGameWindow(QStringLiteral("Nebylo dosaženo rekordu..."),
                      QStringLiteral(":/assets/bezvyhry.png"), Twips::rect(105, 1680, 1455, 510),
                      Qt::black, mainWindowPosition, score) {
    setObjectName(QStringLiteral("BezVyhryFrm"));
    QPushButton *ok =
        addButton("Command1", QStringLiteral("OK"), Twips::rect(315, 2235, 1050, 450));
    connect(ok, &QPushButton::clicked, this, &QWidget::close);
    ok->setFocus();
}
