#include "app/MainWindow.h"

#include "app/BuildConfig.h"
#include "rules/game/Scoring.h"
#include "toolkit/MessageBox.h"
#include "toolkit/Program.h"
#include "toolkit/Twips.h"
#include "windows/AboutWindow.h"
#include "windows/BestResultsWindow.h"
#include "windows/FieldView.h"
#include "windows/HowToPlayWindow.h"
#include "windows/NoRecordWindow.h"
#include "windows/RecordWindow.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>

MainWindow::Setup MainWindow::Setup::fromBuild() {
    Setup setup;
    setup.scoreBoard.post = QUrl(QString::fromUtf8(BuildConfig::kScoreboardPost));
    setup.scoreBoard.page = QUrl(QString::fromUtf8(BuildConfig::kScoreboardPage));
    setup.seed = [] { return quint32(QDateTime::currentMSecsSinceEpoch()); };
    setup.contact = QString::fromUtf8(BuildConfig::kContact);
    return setup;
}

MainWindow::MainWindow(Setup setup)
    : m_game(
          [] {
              Program::letEventsRun();
              return !Program::isEnding();
          },
          std::move(setup.clocks)),
      m_scores(this), m_setup(std::move(setup)), m_fieldView(new FieldView(m_game, this)),
      m_scoreLabel(m_fieldView, QStringLiteral("Label2"), Twips::rect(420, 2760, 1110, 375),
                   Twips::rect(450, 2775, 1095, 375), 18),
      m_levelLabel(m_fieldView, QStringLiteral("Label4"), Twips::rect(435, 3540, 1095, 375),
                   Twips::rect(450, 3555, 1095, 375), 16),
      m_bestLabel(m_fieldView, QStringLiteral("Label6"), Twips::rect(5940, 3075, 1125, 300),
                  Twips::rect(5955, 3090, 1125, 300), 18) {
    setObjectName(QStringLiteral("HraciPoleFrm"));
    setWindowTitle(QStringLiteral("Toquel 1.02"));
    // A fixed border with a minimise button and no maximise button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setCentralWidget(m_fieldView);
    buildMenu();
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    m_scoreLabel.setCaption(QStringLiteral("00 000"));
    m_levelLabel.setCaption(QStringLiteral("00"));
    m_bestLabel.setCaption(QStringLiteral("00 000"));

    connect(m_fieldView, &FieldView::topSquarePressed, &m_game, &Game::sendBlockFrom);
    connect(&m_game, &Game::scoreChanged, this,
            [this](int score) { m_scoreLabel.setCaption(Scoring::formatScore(score)); });
    connect(&m_game, &Game::levelChanged, this,
            [this](int level) { m_levelLabel.setCaption(Scoring::formatLevel(level)); });
    connect(&m_game, &Game::pausedChanged, m_pauseAction, &QAction::setChecked);
    connect(&m_game, &Game::ended, this, &MainWindow::gameEnded);
}

MainWindow::~MainWindow() = default;

void MainWindow::buildMenu() {
    auto add = [this](QMenu *menu, const char *name, const QString &caption, auto handler,
                      QKeySequence shortcut = {}) {
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

    QMenu *game = menu("MnHra", QStringLiteral("Hra"));
    add(game, "MnNovahra", QStringLiteral("Nová hra"), &MainWindow::askNewGame,
        QKeySequence(Qt::CTRL | Qt::Key_N));
    // Qt flips the check mark itself; the game's pausedChanged sets it to the same.
    m_pauseAction = add(
        game, "MnPauza", QStringLiteral("Pauza"), [this] { m_game.togglePause(); },
        QKeySequence(Qt::Key_F3));
    m_pauseAction->setCheckable(true);
    game->addSeparator()->setObjectName(QStringLiteral("Mnline1"));
    add(game, "MnKonec", QStringLiteral("Konec"), &MainWindow::askQuit);

    QMenu *best = menu("MnNej_Vysledky", QStringLiteral("Nejlepší výsledky"));
    add(best, "MnZobrazitNv", QStringLiteral("Zobrazit"), [this] {
        // A damaged table is reported now, while the game still runs.
        m_scores.load();
        showBestResults();
    });
    add(best, "MnOdeslatNv", QStringLiteral("Odeslat na web"),
        [this] { openHolding(m_send, m_scores, m_setup.scoreBoard, this); });
    add(best, "MnWebNv", QStringLiteral("Celosvětový žebříček"), &MainWindow::openScoreBoardPage);

    QMenu *help = menu("MnNapoveda", QStringLiteral("Nápověda"));
    add(
        help, "MnJakHrat", QStringLiteral("Jak hrát"),
        [this] { openHolding(m_howToPlay, m_setup.contact, this); }, QKeySequence(Qt::Key_F1));
    add(help, "MnOAplikaci", QStringLiteral("O aplikaci"),
        [this] { openHolding(m_about, m_setup.contact, this); });

    // F10 opens the first menu, as on the rest of the desktop; the arrows go on from there.
    auto *menuKey = new QAction(this);
    menuKey->setObjectName(QStringLiteral("MenuKey"));
    menuKey->setShortcut(Qt::Key_F10);
    addAction(menuKey);
    connect(menuKey, &QAction::triggered, this,
            [this, game] { menuBar()->setActiveAction(game->menuAction()); });
}

// ---- A new game, holding and resuming ---------------------------------------------------

void MainWindow::newGame() {
    m_game.reset(m_setup.seed());
    m_scores.load();
    m_pauseAction->setEnabled(true);
    m_bestLabel.setCaption(m_scores.table().bestScoreText());
    m_game.start();
}

void MainWindow::askNewGame() {
    if (m_game.isOver()) {
        newGame();
        return;
    }
    // The question holds the game as a window from the menu does: a restore of
    // the minimised window while it is up leaves the game where it stands.
    m_game.setHeldUnderWindow(true);
    const bool confirmed =
        MessageBox::ask(this, QStringLiteral("Opravdu chcete zrušit právě probíhající hru?"),
                        QStringLiteral("Nová hra?"));
    if (Program::isEnding()) // quit was confirmed while this question was up
        return;
    if (confirmed)
        newGame(); // still held: it starts when the question lets go
    m_game.setHeldUnderWindow(false);
}

bool MainWindow::askQuit() {
    // The clocks run on under this question, as under any message box.
    if (!MessageBox::ask(this, QStringLiteral("Opravdu chcete skončit?"),
                         QStringLiteral("Konec hry?")))
        return false;
    m_game.stop();
    Program::end();
    return true;
}

void MainWindow::setVisible(bool visible) {
    // Placed before its native window exists: a move inside the show, with the
    // row clock letting events in right after it, leaves a window that no
    // window manager places at the platform's default size and place.
    if (visible && !m_shownOnce) {
        ensurePolished();
        layout()->activate();
        if (const QScreen *where = screen())
            move(where->availableGeometry().center() - rect().center());
    }
    QMainWindow::setVisible(visible);
}

void MainWindow::showEvent(QShowEvent *event) {
    QMainWindow::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    m_game.setMinimised(isMinimized());
}

void MainWindow::changeEvent(QEvent *event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && m_shownOnce)
        m_game.setMinimised(isMinimized());
}

void MainWindow::closeEvent(QCloseEvent *event) {
    if (Program::isEnding()) {
        event->accept();
        return;
    }
    // The close box of a window that takes no input: the window that holds it
    // comes to the front instead of a question.
    if (!isEnabled()) {
        event->ignore();
        for (Form *window : std::as_const(m_holdingWindows))
            window->showForm();
        return;
    }
    if (askQuit())
        event->accept();
    else
        event->ignore();
}

// ---- Other windows ----------------------------------------------------------------------

template <class W, class... Args> W *MainWindow::showSingle(QPointer<W> &slot, Args &&...args) {
    if (!slot) {
        W *window = new W(std::forward<Args>(args)...);
        slot = window;
        connect(window, &Form::closed, this, [this, window] { holdingWindowClosed(window); });
    }
    slot->showForm();
    return slot;
}

template <class W, class... Args> void MainWindow::openHolding(QPointer<W> &slot, Args &&...args) {
    setEnabled(false);
    m_game.setHeldUnderWindow(true);
    m_holdingWindows.insert(showSingle(slot, std::forward<Args>(args)...));
}

void MainWindow::holdingWindowClosed(Form *window) {
    m_holdingWindows.remove(window);
    if (!m_holdingWindows.isEmpty())
        return;
    setEnabled(true);
    m_game.setHeldUnderWindow(false);
}

void MainWindow::showBestResults() {
    const bool created = !m_bestResults;
    openHolding(m_bestResults, m_scores, m_setup.scoreBoard.page, this);
    if (created)
        connect(m_bestResults, &BestResultsWindow::sendRequested, this,
                &MainWindow::openSendWindow);
}

void MainWindow::openSendWindow() {
    // From the best-results window, which closes right after and so gives the
    // main window back: the send window then runs beside the game.
    showSingle(m_send, m_scores, m_setup.scoreBoard, this);
}

void MainWindow::openScoreBoardPage() {
    m_game.hold();
    QDesktopServices::openUrl(m_setup.scoreBoard.page);
}

// ---- The end of a game ------------------------------------------------------------------

void MainWindow::gameEnded(int score) {
    m_pauseAction->setEnabled(false);
    hide();
    // The table in memory decides; it is not reloaded for this.
    if (m_scores.table().isRecord(qint16(score))) {
        auto *window = new RecordWindow(pos(), score);
        connect(window, &Form::closed, this,
                [this, window, score] { recordWindowClosed(window->name(), score); });
        window->showForm();
    } else {
        auto *window = new NoRecordWindow(pos(), score);
        // The finished game stays on the field until the player starts a new one.
        connect(window, &Form::closed, this, &QWidget::show);
        window->showForm();
    }
}

void MainWindow::recordWindowClosed(const QString &name, int score) {
    if (name.isEmpty()) {
        m_scores.load();
    } else {
        // Reloaded first: another copy of the game may have changed the table
        // since this one loaded it, and its records must stay. The result then
        // enters only if it still beats them; if not, the best results show
        // the table as it is now.
        m_scores.change(ScoreBook::entering(name, qint16(score)), true);
    }
    show();
    showBestResults(); // the main window takes no input until they are closed
}
