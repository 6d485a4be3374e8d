#include "scores/BezVyhryFrm.h"

#include "game/HraciPoleFrm.h"
#include "shell/Twips.h"

#include <QPushButton>

BezVyhryFrm::BezVyhryFrm()
    : EndOfGameFrm(QStringLiteral("Nebylo dosaženo rekordu..."),
                   QStringLiteral(":/assets/bezvyhry.png"), Twips::rect(105, 1680, 1455, 510),
                   Qt::black) {
    setObjectName(QStringLiteral("BezVyhryFrm"));
    QPushButton *ok =
        addButton("Command1", QStringLiteral("OK"), Twips::rect(315, 2235, 1050, 450));
    connect(ok, &QPushButton::clicked, this, &BezVyhryFrm::Command1_Click);
    ok->setFocus();
}

void BezVyhryFrm::Command1_Click() {
    close();
}

void BezVyhryFrm::Form_Unload() {
    // The finished game stays on the field until the player starts a new one.
    HraciPoleFrm::instance()->show();
}
