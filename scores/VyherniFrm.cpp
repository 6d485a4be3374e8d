#include "scores/VyherniFrm.h"

#include "game/HraciPoleFrm.h"
#include "scores/NameValidator.h"
#include "scores/VysledkyFrm.h"
#include "shell/Twips.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

VyherniFrm::VyherniFrm()
    : EndOfGameFrm(QStringLiteral("Dosáhl jste rekordu..."), QStringLiteral(":/assets/vyherni.png"),
                   Twips::rect(195, 1800, 1455, 510), Qt::white) {
    setObjectName(QStringLiteral("VyherniFrm"));
    m_text1 = new QLineEdit(this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setGeometry(Twips::rect(1560, 3030, 1905, 345));
    // Only what the stored table can hold: refused as the player types or pastes.
    m_text1->setValidator(new NameValidator(m_text1));
    m_text1->installEventFilter(this);

    m_command1 = addButton("Command1", QStringLiteral("OK"), Twips::rect(2430, 3510, 1050, 450));
    connect(m_command1, &QPushButton::clicked, this, &VyherniFrm::Command1_Click);
    m_text1->setFocus();
}

bool VyherniFrm::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_text1 && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            Text1_KeyPress(13);
            return true;
        }
    }
    return Form::eventFilter(watched, event);
}

void VyherniFrm::Text1_KeyPress(int KeyAscii) {
    if (KeyAscii == 13)
        Command1_Click();
}

void VyherniFrm::Command1_Click() {
    if (m_text1->text().isEmpty())
        m_text1->setText(QStringLiteral("Anonym"));
    close();
}

void VyherniFrm::Form_Unload() {
    HraciPoleFrm *main = HraciPoleFrm::instance();
    const QString name = m_text1->text();
    if (name.isEmpty()) {
        main->NactiSkore();
    } else {
        // Reloaded first: another copy of the game may have changed the table
        // since this one loaded it, and its records must stay.
        const qint16 score = main->Skore();
        main->changeScores([&](TabulkaSkore &table) { table.VlozSkore(name, score); }, true);
    }
    main->show();
    main->setEnabled(false); // until the best results are closed
    Forms::show<VysledkyFrm>();
}
