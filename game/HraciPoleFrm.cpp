#include "game/HraciPoleFrm.h"

#include "game/FieldView.h"
#include "game/Scoring.h"
#include "scores/BezVyhryFrm.h"
#include "scores/VyherniFrm.h"
#include "scores/VysledkyFrm.h"
#include "shell/BuildConfig.h"
#include "shell/Form.h"
#include "shell/JakHratFrm.h"
#include "shell/MessageBox.h"
#include "shell/OAplikaciFrm.h"
#include "shell/Program.h"
#include "shell/Twips.h"
#include "web/OdeslatFrm.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QLayout>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QUrl>
#include <limits>

namespace {
QPointer<HraciPoleFrm> theMainWindow;

std::function<quint32()> &seedSource() {
    static std::function<quint32()> source = [] {
        return quint32(QDateTime::currentMSecsSinceEpoch());
    };
    return source;
}
} // namespace

HraciPoleFrm::HraciPoleFrm()
    : m_view(new FieldView(m_field, this)),
      m_label2(m_view, QStringLiteral("Label2"), Twips::rect(420, 2760, 1110, 375),
               Twips::rect(450, 2775, 1095, 375), 18),
      m_label4(m_view, QStringLiteral("Label4"), Twips::rect(435, 3540, 1095, 375),
               Twips::rect(450, 3555, 1095, 375), 16),
      m_label6(m_view, QStringLiteral("Label6"), Twips::rect(5940, 3075, 1125, 300),
               Twips::rect(5955, 3090, 1125, 300), 18) {
    theMainWindow = this;
    Form::setOwner(this);
    setObjectName(QStringLiteral("HraciPoleFrm"));
    setWindowTitle(QStringLiteral("Toquel 1.02"));
    // A fixed border with a minimise button and no maximise button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setCentralWidget(m_view);
    buildMenu();
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    m_label2.setCaption(QStringLiteral("00 000"));
    m_label4.setCaption(QStringLiteral("00"));
    m_label6.setCaption(QStringLiteral("00 000"));

    m_timer1.setObjectName(QStringLiteral("Timer1"));
    m_timer2.setObjectName(QStringLiteral("Timer2"));
    connect(&m_timer1, &GameTimer::timeout, this, &HraciPoleFrm::Timer1_Timer);
    connect(&m_timer2, &GameTimer::timeout, this, &HraciPoleFrm::Timer2_Timer);
    connect(m_view, &FieldView::squarePressed, this,
            [this](int index, Qt::MouseButton button, Qt::KeyboardModifiers shift, QPointF at) {
                HIm_MouseDown(index, int(button), int(shift), float(at.x()), float(at.y()));
            });
}

HraciPoleFrm::~HraciPoleFrm() = default;

HraciPoleFrm *HraciPoleFrm::instance() {
    return theMainWindow;
}

void HraciPoleFrm::setSeedSource(std::function<quint32()> source) {
    seedSource() = std::move(source);
}

void HraciPoleFrm::buildMenu() {
    auto add = [this](QMenu *menu, const char *name, const QString &caption,
                      void (HraciPoleFrm::*handler)(), QKeySequence shortcut = {}) {
        QAction *action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(shortcut);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    auto menu = [this](const char *name, const QString &caption) {
        QMenu *m = menuBar()->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        return m;
    };

    QMenu *hra = menu("MnHra", QStringLiteral("Hra"));
    m_mnNovahra = add(hra, "MnNovahra", QStringLiteral("Nová hra"), &HraciPoleFrm::MnNovahra_Click,
                      QKeySequence(Qt::CTRL | Qt::Key_N));
    m_mnPauza = hra->addAction(QStringLiteral("Pauza"));
    m_mnPauza->setObjectName(QStringLiteral("MnPauza"));
    m_mnPauza->setShortcut(Qt::Key_F3);
    m_mnPauza->setCheckable(true);
    connect(m_mnPauza, &QAction::triggered, this, [this] {
        // Qt has already flipped the check mark; the handler sets it itself.
        m_mnPauza->setChecked(!m_mnPauza->isChecked());
        MnPauza_Click();
    });
    hra->addSeparator()->setObjectName(QStringLiteral("Mnline1"));
    m_mnKonec = add(hra, "MnKonec", QStringLiteral("Konec"), &HraciPoleFrm::MnKonec_Click);

    QMenu *nej = menu("MnNej_Vysledky", QStringLiteral("Nejlepší výsledky"));
    m_mnZobrazitNv =
        add(nej, "MnZobrazitNv", QStringLiteral("Zobrazit"), &HraciPoleFrm::MnZobrazitNv_Click);
    m_mnOdeslatNv =
        add(nej, "MnOdeslatNv", QStringLiteral("Odeslat na web"), &HraciPoleFrm::MnOdeslatNv_Click);
    m_mnWebNv =
        add(nej, "MnWebNv", QStringLiteral("Celosvětový žebříček"), &HraciPoleFrm::MnWebNv_Click);

    QMenu *napoveda = menu("MnNapoveda", QStringLiteral("Nápověda"));
    m_mnJakHrat = add(napoveda, "MnJakHrat", QStringLiteral("Jak hrát"),
                      &HraciPoleFrm::MnJakHrat_Click, QKeySequence(Qt::Key_F1));
    m_mnOAplikaci = add(napoveda, "MnOAplikaci", QStringLiteral("O aplikaci"),
                        &HraciPoleFrm::MnOAplikaci_Click);
}

// ---- A new game, holding and resuming ---------------------------------------------------

void HraciPoleFrm::Form_Load() {
    VymažČtverce();
    ZakresliČtverce();
    m_skore = 0;
    m_label2.setCaption(Scoring::formatScore(m_skore));
    m_label4.setCaption(Scoring::formatLevel(0));
    m_hraniceUrovne = Scoring::kFirstThreshold;
    NactiSkore();
    m_draw.seed(seedSource()());
    m_konecHry = false;
    m_timer1.setInterval(Scoring::kRowInterval);
    m_timer2.setInterval(Scoring::kColumnInterval);
    m_mnPauza->setEnabled(true);
    m_label6.setCaption(table().bestScoreText());
    Aktivuj();
}

void HraciPoleFrm::VymažČtverce() {
    m_field.clear();
    m_view->update();
}

void HraciPoleFrm::ZakresliČtverce() {
    m_field.placeStartingBlocks();
    m_view->updateColumns();
}

void HraciPoleFrm::setLaunchSquaresEnabled(bool enabled) {
    for (int square : Field::kLaunchSquares)
        m_view->setSquareEnabled(square, enabled);
}

void HraciPoleFrm::Aktivuj() {
    if (m_konecHry || m_mnPauza->isChecked() || Program::isEnding())
        return;
    setLaunchSquaresEnabled(true);
    m_timer1.setEnabled(true);
    m_timer2.setEnabled(true);
    Timer1_Timer();
}

void HraciPoleFrm::Zamkni() {
    setLaunchSquaresEnabled(false);
    m_timer1.setEnabled(false);
    m_timer2.setEnabled(false);
}

void HraciPoleFrm::Form_Resize() {
    if (m_konecHry)
        return;
    // A minimised window is the only one whose height drops below the field's.
    if (isMinimized())
        Zamkni();
    else
        Aktivuj();
}

void HraciPoleFrm::showEvent(QShowEvent *event) {
    QMainWindow::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    if (const QScreen *where = screen())
        move(where->availableGeometry().center() - rect().center());
    Form_Resize();
}

void HraciPoleFrm::changeEvent(QEvent *event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && m_shownOnce)
        Form_Resize();
}

// ---- The menu of the game ---------------------------------------------------------------

void HraciPoleFrm::MnNovahra_Click() {
    if (m_konecHry) {
        Form_Load();
        return;
    }
    Zamkni();
    if (MessageBox::ask(this, QStringLiteral("Opravdu chcete zrušit právě probíhající hru?"),
                        QStringLiteral("Nová hra?")))
        Form_Load();
    else
        Aktivuj();
}

void HraciPoleFrm::MnPauza_Click() {
    if (m_mnPauza->isChecked()) {
        m_mnPauza->setChecked(false);
        Aktivuj();
    } else {
        m_mnPauza->setChecked(true);
        Zamkni();
    }
}

void HraciPoleFrm::MnKonec_Click() {
    qint16 Cancel = 0;
    Form_Unload(Cancel);
}

void HraciPoleFrm::Form_Unload(qint16 &Cancel) {
    // The clocks run on under this question, as under any message box.
    if (MessageBox::ask(this, QStringLiteral("Opravdu chcete skončit?"),
                        QStringLiteral("Konec hry?")))
        Program::end();
    else
        Cancel = 1;
}

void HraciPoleFrm::closeEvent(QCloseEvent *event) {
    if (Program::isEnding()) {
        event->accept();
        return;
    }
    qint16 Cancel = 0;
    Form_Unload(Cancel);
    if (Cancel != 0)
        event->ignore();
    else
        event->accept();
}

// ---- The best results -------------------------------------------------------------------

void HraciPoleFrm::NactiSkore() {
    if (m_scores.load() == ScoreBook::Load::Damaged)
        reportDamage();
    reportSaveFailure();
    emit tableChanged();
}

void HraciPoleFrm::UlozSkore() {
    m_scores.save();
    reportSaveFailure();
    emit tableChanged();
}

void HraciPoleFrm::changeScores(const std::function<void(TabulkaSkore &)> &change,
                                bool reloadFirst) {
    // A damaged table is reported before the change, as the player expects
    // (first the loss, then the new result alone in the table), and before
    // the lock is taken, so no other copy of the game waits on the message.
    // Damage that another copy causes in between is reported after.
    const bool toldFirst = reloadFirst && m_scores.storedTableDamaged();
    if (toldFirst)
        reportDamage();
    if (m_scores.update(change, reloadFirst) == ScoreBook::Load::Damaged && !toldFirst)
        reportDamage();
    reportSaveFailure();
    emit tableChanged();
}

void HraciPoleFrm::reportDamage() {
    MessageBox::inform(this,
                       QStringLiteral("Uložené nejlepší výsledky byly poškozeny nebo smazány.\n"
                                      "Je mi líto, ale musíte jich znovu dosáhnout."),
                       QStringLiteral("Poškození výsledků"));
}

void HraciPoleFrm::reportSaveFailure() {
    // Once per run of failures: a player who keeps scoring on a read-only disk
    // hears it the first time, and again only after saving worked in between.
    if (!m_scores.lastSaveFailed()) {
        m_saveFailureReported = false;
        return;
    }
    if (m_saveFailureReported)
        return;
    m_saveFailureReported = true;
    MessageBox::inform(this,
                       QStringLiteral("Nejlepší výsledky se nepodařilo uložit.\n"
                                      "Hrát můžete dál, výsledky si hra pamatuje do svého "
                                      "ukončení."),
                       QStringLiteral("Výsledky nelze uložit"));
}

// ---- Menu commands that open other windows ----------------------------------------------

template <class F> void HraciPoleFrm::openFromMenu() {
    setEnabled(false);
    Zamkni();
    Forms::show<F>();
}

void HraciPoleFrm::menuWindowClosed() {
    setEnabled(true);
    Aktivuj();
}

void HraciPoleFrm::MnZobrazitNv_Click() {
    // A damaged table is reported now, while the game still runs.
    NactiSkore();
    openFromMenu<VysledkyFrm>();
}

void HraciPoleFrm::openSendWindow() {
    // From the best-results window, which closes right after and so gives the
    // main window back: the send window then runs beside the game.
    Forms::show<OdeslatFrm>();
}

void HraciPoleFrm::MnOdeslatNv_Click() {
    openFromMenu<OdeslatFrm>();
}

void HraciPoleFrm::MnWebNv_Click() {
    Zamkni();
    QDesktopServices::openUrl(QUrl(QString::fromUtf8(BuildConfig::kScoreboardPage)));
}

void HraciPoleFrm::MnJakHrat_Click() {
    openFromMenu<JakHratFrm>();
}

void HraciPoleFrm::MnOAplikaci_Click() {
    openFromMenu<OAplikaciFrm>();
}

// ---- The clocks, the player's press and the end of a game -------------------------------

void HraciPoleFrm::Timer1_Timer() {
    // The shift lets events in after every copy. A tick arriving then, from the
    // clock or from Aktivuj, must not start a second shift inside this one.
    if (m_rowShiftRunning)
        return;
    m_rowShiftRunning = true;
    const bool completed = m_field.shiftRow(
        [this](int i) {
            m_view->updateTopSquare(i);
            Program::letEventsRun();
            return !Program::isEnding();
        },
        [this] { return m_draw.next(); });
    if (completed)
        m_view->updateTopSquare(Field::kTopSquares - 1);
    m_rowShiftRunning = false;
}

void HraciPoleFrm::Timer2_Timer() {
    if (m_field.anyColumnEmpty()) {
        UkonciHru();
        return;
    }
    m_field.sink();
    m_view->updateColumns();
}

void HraciPoleFrm::HIm_MouseDown(int index, int /*button*/, int /*shift*/, float /*x*/,
                                 float /*y*/) {
    // Any button sends the block, wherever on the square it went down.
    const int column = Field::columnUnder(index);
    if (column < 0)
        return;
    const Field::Send sent = m_field.send(column);
    if (sent.outcome != Field::Send::Landed)
        return;
    m_view->updateTopSquare(index);
    m_view->updateColumns();
    if (!sent.rightColour) {
        UkonciHru();
        return;
    }
    m_skore = qint16(qMin(int(std::numeric_limits<qint16>::max()),
                          m_skore + Scoring::pointsFor(sent.restingRow)));
    if (m_skore > m_hraniceUrovne)
        raiseLevel();
    m_label2.setCaption(Scoring::formatScore(m_skore));
}

void HraciPoleFrm::raiseLevel() {
    // The level lives in its caption; read it back and write the next one.
    const int level = m_label4.caption().toInt() + 1;
    m_label4.setCaption(Scoring::formatLevel(level));
    m_hraniceUrovne = Scoring::nextThreshold(m_hraniceUrovne, level);
    m_timer1.setInterval(Scoring::nextInterval(m_timer1.interval()));
    m_timer2.setInterval(Scoring::nextInterval(m_timer2.interval()));
}

void HraciPoleFrm::UkonciHru() {
    m_konecHry = true;
    Zamkni();
    m_mnPauza->setEnabled(false);
    hide();
    // The table in memory decides; it is not reloaded for this.
    if (table().isRecord(m_skore))
        Forms::show<VyherniFrm>();
    else
        Forms::show<BezVyhryFrm>();
}
