#include "scores/BezVyhryFrm.h"

#include "game/HraciPoleFrm.h"
#include "scores/EndOfGame.h"
#include "shell/Twips.h"

#include <QLabel>
#include <QPushButton>

BezVyhryFrm::BezVyhryFrm() : Form(Kind::Window, 7455, 5250) {
    setObjectName(QStringLiteral("BezVyhryFrm"));
    setWindowTitle(QStringLiteral("Nebylo dosaženo rekordu..."));
    setBackgroundPicture(QStringLiteral(":/assets/bezvyhry.svg"), QSize(500, 350));
    m_label10 =
        EndOfGame::scoreLabel(addLabel("Label10", Twips::rect(105, 1680, 1455, 510)), Qt::black);
    m_command1 = addButton("Command1", QStringLiteral("OK"), Twips::rect(315, 2235, 1050, 450));
    connect(m_command1, &QPushButton::clicked, this, &BezVyhryFrm::Command1_Click);
    m_command1->setFocus();
}

void BezVyhryFrm::Form_Load() {
    EndOfGame::placeOverMainWindow(this);
    m_label10->setText(EndOfGame::finalScoreText());
}

void BezVyhryFrm::Command1_Click() {
    close();
}

void BezVyhryFrm::Form_Unload() {
    HraciPoleFrm::instance()->show();
}
