#include "scores/VysledkyFrm.h"

#include "game/HraciPoleFrm.h"
#include "shell/BuildConfig.h"
#include "shell/MessageBox.h"
#include "shell/Twips.h"

#include <QLabel>
#include <QPushButton>

namespace {
constexpr std::array<int, 5> kRowTops{750, 1143, 1536, 1929, 2325};

QFont largeFont(QFont font, bool underline) {
    font.setPixelSize(18); // 13.5 points
    font.setUnderline(underline);
    return font;
}
} // namespace

VysledkyFrm::VysledkyFrm() : Form(Kind::Dialog, 3855, 3645) {
    setObjectName(QStringLiteral("VysledkyFrm"));
    setWindowTitle(QStringLiteral("Nejlepší výsledky"));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::black);
    setPalette(palette);
    setAutoFillBackground(true);
    const QColor highlight = palette.color(QPalette::Light);

    QLabel *heading =
        addLabel("Label1", Twips::rect(270, 210, 2415, 420), QStringLiteral("Nejlepší výsledky:"));
    heading->setFont(largeFont(font(), true));
    setTextColour(heading, highlight);

    const QColor lightYellow(255, 255, 192);
    for (int i = 0; i < 5; ++i) {
        const int left = i == 4 ? 255 : 270;
        m_label2[i] = addLabel("Label2", Twips::rect(left, kRowTops[i], 2310, 240));
        m_label3[i] = addLabel("Label3", Twips::rect(2715, kRowTops[i], 870, 240));
        m_label2[i]->setObjectName(QStringLiteral("Label2_%1").arg(i));
        m_label3[i]->setObjectName(QStringLiteral("Label3_%1").arg(i));
        setTextColour(m_label2[i], lightYellow);
        setTextColour(m_label3[i], lightYellow);
    }

    QLabel *address = addLabel("Label4", Twips::rect(255, 3195, 3330, 390),
                               QString::fromUtf8(BuildConfig::kScoreboardPage) + u'/');
    address->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    address->setFont(largeFont(font(), false));
    shrinkToFit(address);
    setTextColour(address, highlight);

    QPushButton *ok = addButton("OKButton", QStringLiteral("OK"), Twips::rect(255, 2790, 765, 375));
    QPushButton *send =
        addButton("Command1", QStringLiteral("Odeslat na web"), Twips::rect(1095, 2790, 1410, 375));
    QPushButton *clear =
        addButton("Command2", QStringLiteral("Vymaž"), Twips::rect(2580, 2790, 1005, 375));
    connect(ok, &QPushButton::clicked, this, &VysledkyFrm::OKButton_Click);
    connect(send, &QPushButton::clicked, this, &VysledkyFrm::Command1_Click);
    connect(clear, &QPushButton::clicked, this, &VysledkyFrm::Command2_Click);
    setTabOrder(ok, send);
    setTabOrder(send, clear);
    ok->setFocus();

    connect(HraciPoleFrm::instance(), &HraciPoleFrm::tableChanged, this, &VysledkyFrm::showTable);
    showTable();
}

void VysledkyFrm::showTable() {
    const TabulkaSkore &table = HraciPoleFrm::instance()->table();
    for (int i = 0; i < 5; ++i) {
        // A table of the earlier game may hold a name longer than the row:
        // it ends in "…" and the whole name is in the tooltip.
        const QString &name = table.entry(i).name;
        const QString shown =
            m_label2[i]->fontMetrics().elidedText(name, Qt::ElideRight, m_label2[i]->width());
        m_label2[i]->setText(shown);
        m_label2[i]->setToolTip(shown == name ? QString() : name);
        m_label3[i]->setText(table.entry(i).score);
    }
}

void VysledkyFrm::OKButton_Click() {
    close();
}

void VysledkyFrm::Command1_Click() {
    HraciPoleFrm::instance()->openSendWindow();
    close();
}

void VysledkyFrm::Command2_Click() {
    if (!MessageBox::ask(this, QStringLiteral("Opravdu chcete smazat nejlepší výsledky?"),
                         QStringLiteral("Vymazat výsledky?")))
        return;
    HraciPoleFrm::instance()->changeScores([](TabulkaSkore &table) { table.SmazSkore(); }, false);
}

void VysledkyFrm::Form_Unload() {
    HraciPoleFrm::instance()->menuWindowClosed();
}
