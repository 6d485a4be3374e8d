#include "shell/JakHratFrm.h"

#include "game/HraciPoleFrm.h"
#include "shell/BuildConfig.h"
#include "shell/RulesText.h"
#include "shell/Twips.h"

#include <QLabel>
#include <QPushButton>

namespace {
constexpr int kSmallestPixelSize = 9;
}

JakHratFrm::JakHratFrm() : Form(Kind::Dialog, 6120, 3405) {
    setObjectName(QStringLiteral("JakHratFrm"));
    setWindowTitle(QStringLiteral("Jak hrát"));

    // Deliberately neither default nor cancel: Esc leaves the rules open, while
    // Enter and Space press the button because it has the focus.
    QPushButton *ok =
        addButton("OKButton", QStringLiteral("OK"), Twips::rect(4800, 2970, 1215, 375));
    connect(ok, &QPushButton::clicked, this, &JakHratFrm::OKButton_Click);

    m_label2 = addLabel("Label2", Twips::rect(240, 225, 5655, 2670));
    m_label2->setWordWrap(true);
    ok->setFocus();
}

void JakHratFrm::Form_Load() {
    // QLabel breaks lines at LF; a CR left in would be drawn as a gap.
    QString text = howToPlayText(QString::fromUtf8(BuildConfig::kContact));
    m_label2->setText(text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

    // The layout was made for a narrow bitmap font; where a wider one stands in for
    // it (DejaVu Sans on Linux), the last lines would be cut off. A pixel smaller
    // keeps the whole text readable in the label's fixed box.
    QFont smaller = m_label2->font();
    while (m_label2->heightForWidth(m_label2->width()) > m_label2->height() &&
           smaller.pixelSize() > kSmallestPixelSize) {
        smaller.setPixelSize(smaller.pixelSize() - 1);
        m_label2->setFont(smaller);
    }
}

void JakHratFrm::OKButton_Click() {
    close();
}

void JakHratFrm::Form_Unload() {
    HraciPoleFrm::instance()->menuWindowClosed();
}
