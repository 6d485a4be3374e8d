#include "windows/RecordWindow.h"

#include "toolkit/Twips.h"
#include "windows/NameValidator.h"

#include <QLineEdit>
#include <QPushButton>

RecordWindow::RecordWindow(QPoint mainWindowPosition, int score)
    : EndOfGameWindow(QStringLiteral("Dosáhl jste rekordu..."),
                      QStringLiteral(":/assets/vyherni.png"), Twips::rect(195, 1800, 1455, 510),
                      Qt::white, mainWindowPosition, score) {
    setObjectName(QStringLiteral("VyherniFrm"));
    m_nameBox = new QLineEdit(this);
    m_nameBox->setObjectName(QStringLiteral("Text1"));
    m_nameBox->setGeometry(Twips::rect(1560, 3030, 1905, 345));
    // Only what the stored table can hold: refused as the player types or pastes.
    m_nameBox->setValidator(new NameValidator(m_nameBox));
    // Enter in the name box confirms the name, as the OK button does.
    connect(m_nameBox, &QLineEdit::returnPressed, this, &RecordWindow::confirm);

    QPushButton *ok =
        addButton("Command1", QStringLiteral("OK"), Twips::rect(2430, 3510, 1050, 450));
    connect(ok, &QPushButton::clicked, this, &RecordWindow::confirm);
    m_nameBox->setFocus();
}

QString RecordWindow::name() const {
    return m_nameBox->text();
}

void RecordWindow::confirm() {
    if (m_nameBox->text().isEmpty())
        m_nameBox->setText(QStringLiteral("Anonym"));
    close();
}
