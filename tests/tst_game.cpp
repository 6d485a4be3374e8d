// The game through its windows: starting, holding and leaving it, what the field shows,
// playing it to its end, the record and the best results.
#include "AsOrdinaryUser.h"
#include "GameFixture.h"
#include "app/BuildConfig.h"
#include "windows/BestResultsWindow.h"
#include "windows/EndOfGameWindow.h"
#include "windows/HowToPlayWindow.h"
#include "windows/ScoreKeeper.h"

#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QTranslator>

namespace {
using Answer = GameFixture::Answer;
using State = Game::State;
// Modes of a settings file that the game may not write over, or not even read.
const QHash<QString, QFileDevice::Permissions> kModes{
    {u"200"_qs, QFileDevice::WriteOwner},
    {u"444"_qs, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther},
};

// The menu's commands by the step that takes them, with the window each opens, if any.
const QHash<QString, QPair<QString, const char *>> kCommands{
    {u"new game"_qs, {u"Nová hra"_qs, nullptr}},
    {u"pause"_qs, {u"Pauza"_qs, nullptr}},
    {u"quit"_qs, {u"Konec"_qs, nullptr}},
    {u"world ranking"_qs, {u"Celosvětový žebříček"_qs, nullptr}},
    {u"how to play"_qs, {u"Jak hrát"_qs, "HowToPlayWindow"}},
    {u"about"_qs, {u"O aplikaci"_qs, "AboutWindow"}},
};

// The desktop's browser, as far as the game can tell.
class Browser : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
    Browser() { QDesktopServices::setUrlHandler(u"http"_qs, this, "open"); }
    ~Browser() override { QDesktopServices::unsetUrlHandler(u"http"_qs); }
public slots:
    void open(const QUrl &url) { opened << url; }
};

// The white face of a value the field shows ("Label2" the score, "Label4" the level,
// "Label6" the best result); its shadow says the same.
QString shown(const MainWindow &w, const char *value) {
    const auto *face = w.fieldView()->findChild<QLabel *>(value + u"_1"_qs);
    return face ? face->text() : u"<nothing>"_qs;
}

bool stored(const ScoreTable &expected) {
    ScoreBook reread;
    return reread.load() == ScoreBook::Load::Loaded && reread.table() == expected;
}

QImage onScreen(const MainWindow &w) {
    QCoreApplication::processEvents(); // the repaints asked for are done
    const QPoint at = w.fieldView()->mapTo(&w, QPoint());
    return w.screen()
        ->grabWindow(w.winId(), at.x(), at.y(), w.fieldView()->width(), w.fieldView()->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}
} // namespace

class TestGame : public QObject {
    Q_OBJECT
private slots:
    void init() { GameFixture::storeTable(ScoreTable()); }

    // The missing table is reported once and stored, so the next start finds it and says
    // nothing. Regression: the window was moved inside its show, after the row clock had let
    // events in; with no window manager it came up 640 x 480, off centre.
    void firstStartReportsTheMissingTableOnceAndIsCentred() {
        GameFixture::forgetStoredTable();
        GameFixture game;
        struct ShowWatcher : QObject {
            QRect atShow;
            bool eventFilter(QObject *watched, QEvent *event) override {
                if (event->type() == QEvent::Show && atShow.isNull())
                    atShow = static_cast<QWidget *>(watched)->geometry();
                return false;
            }
        } watcher;
        game.window->installEventFilter(&watcher);
        MainWindow &w = game.start();
        QCOMPARE(watcher.atShow.size(), QSize(499, 365));
        const QPoint centre = w.screen()->availableGeometry().center();
        QVERIFY((watcher.atShow.center() - centre).manhattanLength() <= 2);
        QCOMPARE(game.asked.size(), 1);
        QCOMPARE(game.asked[0].title, u"Poškození výsledků"_qs);
        QCOMPARE(game.asked[0].text, u"Uložené nejlepší výsledky byly poškozeny nebo smazány.\n"
                                     u"Je mi líto, ale musíte jich znovu dosáhnout."_qs);
        QVERIFY(stored(ScoreTable()));
        w.newGame();
        QCOMPARE(game.asked.size(), 1);
        QCOMPARE(shown(w, "Label6"), QString());
    }

    // What the screen shows is the field as the game holds it, after each change: a full
    // column sinks as a whole, a block sent by any mouse button leaves the top row and
    // scores, a press beside the columns changes nothing. Regression: squares left of the
    // field's edge (negative twips) were drawn a pixel too far right.
    void fieldShowsEveryChange_data() {
        QTest::addColumn<QString>("change");
        QTest::newRow("the columns sink") << u"sink"_qs;
        QTest::newRow("a block sent by the right button") << u"send"_qs;
        QTest::newRow("a middle press beside the columns") << u"beside"_qs;
        QTest::newRow("the row moves") << u"row"_qs;
    }
    void fieldShowsEveryChange() {
        QFETCH(QString, change);
        GameFixture game;
        MainWindow &w = game.start();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        game.prepare(0, 10, Colour::Blue); // full: its top block stands on row 3
        game.prepare(4, 5, Colour::White);
        const int launch = 15; // the square the background shows above the white column
        const QImage before = onScreen(w);
        if (change == u"sink")
            QVERIFY(game.columnClock->tick());
        else if (change == u"row")
            QVERIFY(game.rowClock->tick());
        else
            change == u"send" ? game.press(launch, Qt::RightButton)
                              : game.press(launch - 1, Qt::MiddleButton);
        const QImage now = onScreen(w);
        QCOMPARE(now != before, change != u"beside");
        QCOMPARE(now, w.fieldView()->grab().toImage().convertToFormat(QImage::Format_RGB32));
        const QImage background =
            QImage(u":/assets/background.png"_qs).convertToFormat(now.format());
        const auto emptyOnScreen = [&](QRect at) { return now.copy(at) == background.copy(at); };
        QCOMPARE(emptyOnScreen(FieldView::cellRect(0, Field::kStackTopRow)), change == u"sink");
        QVERIFY(!emptyOnScreen(FieldView::cellRect(0, Field::kBottomRow)));
        // A send takes the white block down its column, the row a square left.
        QCOMPARE(emptyOnScreen(FieldView::topSquareRect(launch)),
                 change == u"send" || change == u"row");
        QCOMPARE(shown(w, "Label2"), change == u"send" ? u"00 005"_qs : u"00 000"_qs);
        // Where the background has the top row's first square and the last column's bottom.
        QCOMPARE(FieldView::topSquareRect(0), QRect(-15, 19, 23, 23));
        QCOMPARE(FieldView::cellRect(4, Field::kBottomRow), QRect(330, 323, 23, 23));
    }

    // Regression: F10 did not open the first menu.
    void f10OpensTheFirstMenu() {
        GameFixture game;
        MainWindow &w = game.start();
        QApplication::setActiveWindow(&w);
        QTest::keyClick(&w, Qt::Key_F10);
        QMenu *first = w.menuBar()->actions().value(0)->menu();
        QCOMPARE(first->title(), u"Hra"_qs);
        QTRY_VERIFY(first->isVisible());
        first->hide();
    }

    void messageBoxesSpeakCzech() {
        const std::unique_ptr<QTranslator> czech(Program::installCzechTranslation(*qApp));
        QMessageBox box(QMessageBox::NoIcon, {}, {}, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.button(QMessageBox::Yes)->text(), u"&Ano"_qs);
        QCOMPARE(box.button(QMessageBox::No)->text(), u"&Ne"_qs);
    }

    // The player's steps in turn; a step that asks names the answer ("new game: Yes"), and one
    // "while asked, ..." is taken while the question before it is up. What counts: the state
    // under each question as answered, the state at the end and the top row's blocks (two at
    // the start; each resume adds one). The program ends, hiding its window, on a quit only.
    void steps_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QList<State>>("underQuestions");
        QTest::addColumn<State>("state");
        QTest::addColumn<int>("blocks");
        const auto row = [](const char *name, const QStringList &steps, const QList<State> &under,
                            State state, int blocks) {
            QTest::newRow(name) << steps << under << state << blocks;
        };
        const State held = State::Held, run = State::Running, paused = State::Paused;
        row("new game: No, the game goes on", {"new game: No"}, {held}, run, 3);
        row("paused, new game: Yes stays paused", {"pause", "new game: Yes"}, {paused}, paused, 0);
        row("the close box: No", {"close box: No"}, {run}, run, 2);
        row("the close box: Yes", {"close box: Yes"}, {run}, held, 2);
        // After a quit confirmed inside another question, even its Yes changes nothing.
        row("quit inside the new-game question", {"new game: Yes", "while asked, quit: Yes"},
            {held, held}, held, 2);
        row("minimised and restored under the new-game question",
            {"new game: Yes", "while asked, minimise", "while asked, restore"}, {held}, run, 1);
        row("minimised", {"minimise"}, {}, State::Minimised, 2);
        row("minimised and restored", {"minimise", "restore"}, {}, run, 3);
        row("paused, minimised and restored", {"pause", "minimise", "restore"}, {}, paused, 2);
        row("pause, and pause again", {"pause", "pause"}, {}, run, 3);
        row("quit, minimise, restore", {"quit: Yes", "minimise", "restore"}, {run}, held, 2);
        // Regression: a restore started the game held under the window, and the close box
        // asked "Konec hry?" of a main window that took no input.
        row("how to play, minimise, restore", {"how to play", "minimise", "restore"}, {}, held, 2);
        row("about, the close box", {"about", "close box"}, {}, held, 2);
        row("the world ranking", {"world ranking"}, {}, held, 2);
    }

    void steps() {
        QFETCH(QStringList, steps);
        QFETCH(State, state);
        GameFixture game;
        Browser browser;
        MainWindow &w = game.start();
        QStringList failed; // the steps that did not do what they should
        const auto take = [&](const QString &step) {
            const QString action = step.section(u": "_qs, 0, 0);
            if (step.endsWith(u": Yes") || step.endsWith(u": No"))
                game.answers.prepend(step.endsWith(u"Yes") ? Answer::Yes : Answer::No);
            bool done = true;
            if (kCommands.contains(action)) {
                const auto [command, window] = kCommands[action];
                const Form *open = game.trigger(command) ? GameFixture::find<Form>() : nullptr;
                done = window ? open && open->metaObject()->className() == QByteArray(window)
                              : game.action(command) != nullptr;
            } else if (action == u"close box") {
                w.close();
            } else {
                done = action == u"minimise" || action == u"restore";
                w.setWindowState(action == u"minimise" ? Qt::WindowMinimized : Qt::WindowNoState);
            }
            if (!done)
                failed << step;
        };
        QList<State> underQuestions;
        QStringList inside; // taken while the next question is up
        game.whileAsking = [&](const MessageBox::Request &) {
            for (const QString &step : std::exchange(inside, {}))
                take(step);
            underQuestions << game.game().state();
        };
        const QString whileAsked = u"while asked, "_qs;
        for (qsizetype i = 0; i < steps.size(); ++i) {
            const QString &step = steps[i];
            while (i + 1 < steps.size() && steps[i + 1].startsWith(whileAsked))
                inside << steps[++i].mid(whileAsked.size());
            take(step);
        }
        QCOMPARE(failed, QStringList());
        const QList<QUrl> page{MainWindow::Setup::fromBuild().scoreBoard.page};
        QCOMPARE(browser.opened, steps.contains(u"world ranking"_qs) ? page : QList<QUrl>());
        QTEST(underQuestions, "underQuestions");
        QVERIFY(game.answers.isEmpty());
        QCOMPARE(game.game().state(), state);
        QTEST(blocksOnTopRow(game.game().field()), "blocks");
        QCOMPARE(game.quits,
                 int(steps.filter(QRegularExpression(u"(quit|close box): Yes"_qs)).size()));
        QCOMPARE(w.isVisible(), !game.quits);
        // An open menu window takes the input, and the main window none.
        const Form *open = GameFixture::find<Form>();
        QCOMPARE(w.isEnabled(), !open);
        QVERIFY(!open || open->isEnabled());
        QCOMPARE(game.action(u"Pauza"_qs)->isChecked(), state == State::Paused);
    }

    // The rules stand on lines of their own (a CR would be drawn as a gap), end with the
    // contact and, in the wider font that stands in for the designed one, all show.
    void howToPlayShowsAllTheRules() {
        GameFixture game;
        game.start();
        QVERIFY(game.trigger(u"Jak hrát"_qs));
        REQUIRE_WINDOW(help, HowToPlayWindow);
        const QString contact = QString::fromUtf8(BuildConfig::kContact);
        auto *rules = help->findChild<QLabel *>();
        QVERIFY(!rules->text().contains(u'\r'));
        QVERIFY(rules->text().endsWith(u"pomocí e-mailu "_qs + contact));
        // Regression: the rules said the blocks move from left to right.
        QVERIFY(rules->text().contains(u"pohybují zprava doleva kostičky"_qs));
        QVERIFY(rules->heightForWidth(rules->width()) <= rules->height());
        QVERIFY(rules->font().pixelSize() >= 9);
    }

    // How a game ends: the window it chooses; after a record, the name stored (the name box
    // takes only what the table can store) and the best results over the ended game. Another
    // copy may fill the last place meanwhile (the record enters only if it still beats it) or
    // damage the table (told once). A settings file the game cannot read or write is left as
    // it is: told once, the player keeps the run's record in memory and on screen, through the
    // next game's reload too. The field stays as it ended; a new game starts unasked.
    void endOfGame_data() {
        QTest::addColumn<QList<int>>("scores"); // the table before, best first
        QTest::addColumn<int>("meanwhile"); // stored by another copy in the last place; -1: damage
        QTest::addColumn<int>("score");
        QTest::addColumn<bool>("record");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("how");  // enter, ok or close
        QTest::addColumn<QString>("name"); // the name stored; empty: none
        QTest::addColumn<QString>("mode"); // of a settings file the game may not use
        const auto row = [](const char *row, const QList<int> &scores, int meanwhile, int score,
                            bool record, const QString &typed, const QString &how,
                            const QString &name, const QString &mode = {}) {
            QTest::newRow(row) << scores << meanwhile << score << record << typed << how << name
                               << mode;
        };
        const QList<int> none, full{750, 650, 550, 450, 350}, four{900, 700, 500, 300};
        const QString ok = u"ok"_qs, close = u"close"_qs, enter = u"enter"_qs, low = u"Low"_qs;
        row("score 0, free places", none, 0, 0, false, "", ok, "");
        row("equal to the last place, Enter", full, 0, 350, false, "", enter, "");
        row("one above the last place, Enter", full, 0, 351, true, "Eva", enter, "Eva");
        row("empty OK", none, 0, 5, true, "", ok, "Anonym");
        row("close box with a name", none, 0, 5, true, "Jan Novák", close, "Jan Novák");
        row("close box, empty", none, 0, 5, true, "", close, "");
        row("spaces only", none, 0, 5, true, "   ", ok, "   ");
        // The score board refuses format characters such as a soft hyphen, too.
        row("separators and a soft hyphen refused", none, 0, 5, true, "Eva;\u00ADJan\t", ok,
            "EvaJan");
        row("too long", none, 0, 5, true, QString(40, u'ř'), ok, QString(29, u'ř'));
        row("another copy took the free place, higher", four, 200, 5, true, low, enter, "");
        row("another copy took the free place, lower", four, 3, 5, true, low, enter, low);
        row("the stored table damaged meanwhile", four, -1, 5, true, low, enter, low);
        row("settings file write-only (200)", four, 0, 5, true, low, enter, low, "200");
        row("settings file read-only (444)", four, 0, 5, true, low, enter, low, "444");
    }

    void endOfGame() {
        QFETCH(QList<int>, scores);
        QFETCH(int, meanwhile);
        QFETCH(int, score);
        QFETCH(bool, record);
        QFETCH(QString, typed);
        QFETCH(QString, how);
        QFETCH(QString, name);
        QFETCH(QString, mode);
        if (!mode.isEmpty() && ::geteuid() == 0) {
            QByteArray output;
            QVERIFY2(passesAsOrdinaryUser(output), output.constData());
            return;
        }
        ScoreTable table;
        for (int i = 0; i < scores.size(); ++i)
            table.insert(u"Hráč %1"_qs.arg(i), qint16(scores[i]));
        GameFixture::storeTable(table);
        QFile file(ScoreStore::fileName());
        QByteArray bytes;
        if (!mode.isEmpty()) { // with another section in it, which stays too
            QSettings(u"Toquel"_qs, u"Toquel"_qs).setValue(u"Jine/klic"_qs, 1);
            QVERIFY(file.open(QIODevice::ReadOnly));
            bytes = file.readAll();
            file.close();
            QVERIFY(file.setPermissions(kModes[mode]));
            if (!kModes[mode].testFlag(QFileDevice::ReadOwner))
                table.clear(); // as far as the game can tell
        }
        const QFileDevice::Permissions permissions = file.permissions();
        GameFixture game;
        MainWindow &w = game.start();
        w.move(120, 80);
        game.playToTheEnd(score);
        QVERIFY(!w.isVisible());
        QCOMPARE(shown(w, "Label4"), score > 200 ? u"01"_qs : u"00"_qs); // the level reached
        REQUIRE_WINDOW(end, EndOfGameWindow);
        QCOMPARE(end->windowTitle(),
                 record ? u"Dosáhl jste rekordu..."_qs : u"Nebylo dosaženo rekordu..."_qs);
        QCOMPARE(end->pos(), QPoint(120, 87)); // over the main window, 105 twips lower
        QCOMPARE(end->findChild<QLabel *>()->text(), Scoring::formatScore(score));
        if (meanwhile > 0) {
            table.insert(u"Jiná kopie"_qs, qint16(meanwhile));
            GameFixture::storeTable(table);
        } else if (meanwhile < 0) {
            table.clear();
            QSettings(u"Toquel"_qs, u"Toquel"_qs).setValue(u"Skore/HiSkore"_qs, u"poškozeno"_qs);
        }
        auto *box = end->findChild<QLineEdit *>();
        QCOMPARE(box != nullptr, record);
        if (box) {
            box->insert(u"Zoè"_qs); // è has no Windows-1250 code: the paste is refused
            QCOMPARE(box->text(), QString());
            for (QChar c : typed) // key by key, Czech letters included, as the player would
                QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
            if (!typed.isEmpty() && !name.isEmpty())
                QCOMPARE(box->text(), name);
        }
        if (how == u"enter") // in the name box, or on the focused OK button
            QTest::keyClick(end->focusWidget(), Qt::Key_Return);
        else if (how == u"ok")
            GameFixture::withText<QPushButton>(end, u"OK"_qs)->click();
        else
            end->close();
        if (!name.isEmpty())
            table.insert(name, qint16(score));
        QVERIFY(!mode.isEmpty() || stored(table));
        QVERIFY(w.isVisible());
        QCOMPARE(w.isEnabled(), !record); // a record shows the best results over it
        if (record) {
            REQUIRE_WINDOW(best, BestResultsWindow);
            for (int i = 0; i < ScoreTable::kEntries; ++i)
                QCOMPARE(best->findChild<QLabel *>(u"Label2_%1"_qs.arg(i))->text(),
                         table.entry(i).name);
            GameFixture::withText<QPushButton>(best, u"OK"_qs)->click();
        }
        QVERIFY(w.isEnabled());
        QCOMPARE(game.game().state(), State::Ended);
        QCOMPARE(game.game().field().cell(0, 7), Colour::Red);
        QVERIFY(!game.action(u"Pauza"_qs)->isEnabled());
        QVERIFY(game.trigger(u"Nová hra"_qs));
        QCOMPARE(game.game().state(), State::Running);
        QVERIFY(game.action(u"Pauza"_qs)->isEnabled());
        QCOMPARE(w.scoreTable(), table);
        QCOMPARE(game.asked.size(), int(meanwhile < 0 || !mode.isEmpty())); // told once
        QVERIFY(mode.isEmpty() || game.asked[0].title == u"Výsledky nelze uložit"_qs);
        if (!mode.isEmpty()) {
            QCOMPARE(file.permissions(), permissions);
            QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), bytes);
        }
    }

    // A failed save is told once for a run of failures, and again after a save worked in
    // between. A folder in the settings file's place fails for root too.
    void saveFailureToldAgainAfterASave() {
        int told = 0;
        MessageBox::setAnswerer([&](const MessageBox::Request &) { return ++told, Answer::Ok; });
        const QString file = ScoreStore::fileName();
        // Also when a check fails, so the tests after it find their settings file and boxes.
        const auto restore = qScopeGuard([&] {
            QDir(file).removeRecursively();
            MessageBox::setAnswerer({});
        });
        ScoreKeeper keeper(nullptr);
        for (const bool folderInItsPlace : {true, true, false, true}) {
            QFile::remove(file);
            QVERIFY(QDir(file).removeRecursively() && (!folderInItsPlace || QDir().mkpath(file)));
            keeper.change(ScoreBook::entering(u"Jan"_qs, 5), false);
        }
        QCOMPARE(told, 2);
    }

    // Regression: a name longer than its row ends in "…" inside it, whole in the tooltip.
    // "Vymaž" asks first; "Odeslat na web" opens the send window and closes the best results:
    // the game runs beside it.
    void bestResultsShowClearAndSend() {
        const QString longName = u"Šárka z Dolní Lhoty u Kamenice"_qs;
        ScoreTable old; // of the earlier game, whose names had no limit
        old.setEntry(0, {longName, 120});
        GameFixture::storeTable(old);
        GameFixture game;
        MainWindow &w = game.start();
        QVERIFY(game.trigger(u"Zobrazit"_qs));
        REQUIRE_WINDOW(best, BestResultsWindow);
        const auto *row = best->findChild<QLabel *>("Label2_0");
        QVERIFY(row->text().endsWith(u'…') && longName.startsWith(row->text().chopped(1)));
        QVERIFY(row->fontMetrics().horizontalAdvance(row->text()) <= row->width());
        QCOMPARE(row->toolTip(), longName);
        game.answers = {Answer::No, Answer::Yes};
        GameFixture::withText<QPushButton>(best, u"Vymaž"_qs)->click();
        QCOMPARE(game.asked.value(0).title, u"Vymazat výsledky?"_qs);
        QCOMPARE(game.asked.value(0).text, u"Opravdu chcete smazat nejlepší výsledky?"_qs);
        QVERIFY(stored(old));
        GameFixture::withText<QPushButton>(best, u"Vymaž"_qs)->click();
        QCOMPARE(row->text(), QString());
        QVERIFY(stored(ScoreTable()));
        GameFixture::withText<QPushButton>(best, u"Odeslat na web"_qs)->click();
        REQUIRE_WINDOW(send, SendWindow);
        QVERIFY(!best->isVisible() && w.isEnabled() && game.game().state() == State::Running);
    }
};

TOQUEL_TEST_MAIN(TestGame)
#include "tst_game.moc"
