// The five best results in their rows, drawn again whenever the table changes.
#include "windows/BestResultsWindow.h"

#include "toolkit/MessageBox.h"
#include "toolkit/Twips.h"
#include "windows/ScoreKeeper.h"

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

BestResultsWindow::BestResultsWindow(ScoreKeeper &scores, const QUrl &page, QWidget *owner)
    : Form(Kind::Dialog, 3855, 3645, owner), m_scores(scores) {
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
        m_nameLabels[i] = addLabel("Label2", Twips::rect(left, kRowTops[i], 2310, 240));
        m_scoreLabels[i] = addLabel("Label3", Twips::rect(2715, kRowTops[i], 870, 240));
        m_nameLabels[i]->setObjectName(QStringLiteral("Label2_%1").arg(i));
        m_scoreLabels[i]->setObjectName(QStringLiteral("Label3_%1").arg(i));
        setTextColour(m_nameLabels[i], lightYellow);
        setTextColour(m_scoreLabels[i], lightYellow);
    }

    QLabel *address = addLabel("Label4", Twips::rect(255, 3195, 3330, 390), page.toString() + u'/');
    address->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    address->setFont(largeFont(font(), false));
    shrinkToFit(address);
    setTextColour(address, highlight);

    QPushButton *ok = addButton("OKButton", QStringLiteral("OK"), Twips::rect(255, 2790, 765, 375));
    QPushButton *send =
        addButton("Command1", QStringLiteral("Odeslat na web"), Twips::rect(1095, 2790, 1410, 375));
    QPushButton *clear =
        addButton("Command2", QStringLiteral("Vymaž"), Twips::rect(2580, 2790, 1005, 375));
    connect(ok, &QPushButton::clicked, this, &QWidget::close);
    connect(send, &QPushButton::clicked, this, [this] {
        emit sendRequested();
        close();
    });
    connect(clear, &QPushButton::clicked, this, &BestResultsWindow::clearTable);
    setTabOrder(ok, send);
    setTabOrder(send, clear);
    ok->setFocus();

    connect(&m_scores, &ScoreKeeper::tableChanged, this, &BestResultsWindow::showTable);
    showTable();
}

void BestResultsWindow::showTable() {
    const ScoreTable &table = m_scores.table();
    for (int i = 0; i < 5; ++i) {
        // A table of the earlier game may hold a name longer than the row:
        // it ends in "…" and the whole name is in the tooltip.
        const QString &name = table.entry(i).name;
        const QString shown = m_nameLabels[i]->fontMetrics().elidedText(name, Qt::ElideRight,
                                                                        m_nameLabels[i]->width());
        m_nameLabels[i]->setText(shown);
        m_nameLabels[i]->setToolTip(shown == name ? QString() : name);
        m_scoreLabels[i]->setText(table.entry(i).scoreText());
    }
}

void BestResultsWindow::clearTable() {
    if (!MessageBox::ask(this, QStringLiteral("Opravdu chcete smazat nejlepší výsledky?"),
                         QStringLiteral("Vymazat výsledky?")))
        return;
    m_scores.change([](ScoreTable &table) { table.clear(); }, false);
}
