#include "windows/HowToPlayWindow.h"

#include "rules/game/RulesText.h"
#include "toolkit/Twips.h"

#include <QLabel>
#include <QPushButton>

namespace {
constexpr int kSmallestPixelSize = 9;
}

HowToPlayWindow::HowToPlayWindow(const QString &contact, QWidget *owner)
    : Form(Kind::Dialog, 6120, 3405, owner) {
    setObjectName(QStringLiteral("JakHratFrm"));
    setWindowTitle(QStringLiteral("Jak hrát"));

    // Deliberately neither default nor cancel: Esc leaves the rules open, while
    // Enter and Space press the button because it has the focus.
    QPushButton *ok =
        addButton("OKButton", QStringLiteral("OK"), Twips::rect(4800, 2970, 1215, 375));
    connect(ok, &QPushButton::clicked, this, &QWidget::close);

    QLabel *rules = addLabel("Label2", Twips::rect(240, 225, 5655, 2670));
    rules->setWordWrap(true);
    ok->setFocus();

    // QLabel breaks lines at LF; a CR left in would be drawn as a gap.
    QString text = howToPlayText(contact);
    rules->setText(text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

    // The layout was made for a narrow bitmap font; where a wider one stands in for
    // it (DejaVu Sans on Linux), the last lines would be cut off. A pixel smaller
    // keeps the whole text readable in the label's fixed box.
    QFont smaller = rules->font();
    while (rules->heightForWidth(rules->width()) > rules->height() &&
           smaller.pixelSize() > kSmallestPixelSize) {
        smaller.setPixelSize(smaller.pixelSize() - 1);
        rules->setFont(smaller);
    }
}
