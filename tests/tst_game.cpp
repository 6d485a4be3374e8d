// The game through its windows: starting, holding and leaving it, what the field shows,
// playing it to its end, the record and the best results.
#include "AsOrdinaryUser.h"
#include "GameFixture.h"
#include "app/BuildConfig.h"
#include "toolkit/Registry.h"
#include "toolkit/Twips.h"
#include "windows/AboutWindow.h"
#include "windows/BestResultsWindow.h"
#include "windows/EndOfGameWindow.h"
#include "windows/HowToPlayWindow.h"

#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

namespace {
const QString kMsInfoKey = u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"_qs;
const QString kLocationKey = u"SOFTWARE\\Microsoft\\Shared Tools Location"_qs;
using Answer = GameFixture::Answer;
using State = Game::State;
using States = QList<State>;

// The menu's commands by the step that takes them, with the window each opens, if any.
const QHash<QString, QPair<QString, const char *>> kCommands{
    {u"new game"_qs, {u"Nová hra"_qs, nullptr}},
    {u"pause"_qs, {u"Pauza"_qs, nullptr}},
    {u"quit"_qs, {u"Konec"_qs, nullptr}},
    {u"world ranking"_qs, {u"Celosvětový žebříček"_qs, nullptr}},
    {u"how to play"_qs, {u"Jak hrát"_qs, "HowToPlayWindow"}},
    {u"about"_qs, {u"O aplikaci"_qs, "AboutWindow"}},
    {u"best results"_qs, {u"Zobrazit"_qs, "BestResultsWindow"}},
    {u"send"_qs, {u"Odeslat na web"_qs, "SendWindow"}},
};

// A registry of a few values under HKEY_LOCAL_MACHINE, keeping the keys left open.
class FakeRegistry : public Registry {
public:
    QHash<QString, QHash<QString, QPair<quint32, QByteArray>>> keys; // path: name: type, data
    QHash<Key, QString> open;

    bool openKey(Root root, const QString &path, Key &key) override {
        if (root != Root::LocalMachine || !keys.contains(path))
            return false;
        key = Key(qHash(path) | 1);
        open[key] = path;
        return true;
    }
    bool queryValue(Key key, const QString &name, quint32 &type, QByteArray &buffer,
                    quint32 &size) override {
        const auto [valueType, data] = keys.value(open.value(key)).value(name, {0, QByteArray()});
        if (data.isNull() || quint32(data.size()) > size || data.size() > buffer.size())
            return false;
        type = valueType;
        std::copy(data.begin(), data.end(), buffer.begin());
        size = quint32(data.size());
        return true;
    }
    void closeKey(Key key) override { open.remove(key); }
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

// Types text key by key, Czech letters included, as the player would.
void type(QWidget *box, const QString &text) {
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

QPushButton *button(QWidget *window, const QString &caption) {
    for (auto *b : window->findChildren<QPushButton *>())
        if (b->text() == caption)
            return b;
    return nullptr;
}

// The white face of a value the field shows ("Label2" the score, "Label4" the level,
// "Label6" the best result); its shadow says the same.
QString shown(const MainWindow &w, const char *value) {
    const auto *face = w.fieldView()->findChild<QLabel *>(value + u"_1"_qs);
    return face ? face->text() : u"<nothing>"_qs;
}

// The names in the best-results window's rows, best first.
QStringList namesShown(const BestResultsWindow *best) {
    QStringList names;
    for (int i = 0; i < ScoreTable::kEntries; ++i)
        names << best->findChild<QLabel *>(u"Label2_%1"_qs.arg(i))->text();
    return names;
}

QStringList namesIn(const ScoreTable &table) {
    QStringList names;
    for (int i = 0; i < ScoreTable::kEntries; ++i)
        names << table.entry(i).name;
    return names;
}

bool stored(const ScoreTable &expected) {
    ScoreBook reread;
    return reread.load() == ScoreBook::Load::Loaded && reread.table() == expected;
}

// What the field view shows on the screen now.
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

    // The missing table is reported once and stored, so the next start finds it and says nothing.
    void firstStartReportsTheMissingTableOnce() {
        GameFixture::forgetStoredTable();
        GameFixture game;
        game.start();
        QCOMPARE(game.asked.size(), 1);
        QCOMPARE(game.asked[0].title, u"Poškození výsledků"_qs);
        QCOMPARE(game.asked[0].text, u"Uložené nejlepší výsledky byly poškozeny nebo smazány.\n"
                                     u"Je mi líto, ale musíte jich znovu dosáhnout."_qs);
        QVERIFY(stored(ScoreTable()));
        game.window->newGame();
        QCOMPARE(game.asked.size(), 1);
        QCOMPARE(shown(*game.window, "Label6"), QString());
    }

    // Regression: the window was moved inside its show, after the row clock had let events
    // in; with no window manager it came up 640 x 480, off centre.
    void firstShowIsCentredAtItsSize() {
        GameFixture game;
        game.window->newGame();
        struct ShowWatcher : QObject {
            QRect atShow;
            bool eventFilter(QObject *watched, QEvent *event) override {
                if (event->type() == QEvent::Show && atShow.isNull())
                    atShow = static_cast<QWidget *>(watched)->geometry();
                return false;
            }
        } watcher;
        game.window->installEventFilter(&watcher);
        game.window->show();
        QCOMPARE(watcher.atShow.size(), QSize(499, 365));
        const QPoint centre = game.window->screen()->availableGeometry().center();
        QVERIFY((watcher.atShow.center() - centre).manhattanLength() <= 2);
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
        const auto emptyOnScreen = [&](QRect square) {
            return now.copy(square) == background.copy(square);
        };
        QCOMPARE(emptyOnScreen(FieldView::cellRect(0, Field::kStackTopRow)), change == u"sink");
        // A send takes the white block down its column, the row a square left.
        QCOMPARE(emptyOnScreen(FieldView::topSquareRect(launch)),
                 change == u"send" || change == u"row");
        QCOMPARE(shown(w, "Label2"), change == u"send" ? u"00 005"_qs : u"00 000"_qs);
        // Where the background has the top row's first square and the last column's bottom.
        QCOMPARE(FieldView::topSquareRect(0), QRect(-15, 19, 23, 23));
        QCOMPARE(FieldView::cellRect(4, Field::kBottomRow), QRect(330, 323, 23, 23));
        QCOMPARE(Twips::toPixels(-8), -1);
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

    // The player's steps in turn. A step that asks names the answer ("new game: Yes"); a step
    // "while asked, ..." is taken while the question before it is still up. What counts: the
    // game's state under each question as it is answered, the state after the last step and
    // the blocks on the top row (a started game has two; each resume adds one). The program
    // ends, hiding the main window, on a quit only.
    void steps_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<States>("underQuestions");
        QTest::addColumn<State>("state");
        QTest::addColumn<int>("blocks");
        const auto row = [](const char *name, const QStringList &steps, const States &under,
                            State state, int blocks) {
            QTest::newRow(name) << steps << under << state << blocks;
        };
        const State held = State::Held, run = State::Running;
        row("new game: No, the game goes on", {"new game: No"}, {held}, run, 3);
        row("new game: Yes, a fresh game", {"new game: Yes"}, {held}, run, 1);
        row("paused, new game: Yes stays paused", {"pause", "new game: Yes"}, {State::Paused},
            State::Paused, 0);
        row("the close box: No", {"close box: No"}, {run}, run, 2);
        row("quit: Yes", {"quit: Yes"}, {run}, held, 2);
        row("the close box: Yes", {"close box: Yes"}, {run}, held, 2);
        // After a quit confirmed inside another question, even its Yes changes nothing.
        row("quit inside the new-game question", {"new game: Yes", "while asked, quit: Yes"},
            {held, held}, held, 2);
        row("minimised and restored under the new-game question",
            {"new game: Yes", "while asked, minimise", "while asked, restore"}, {held}, run, 1);
        row("minimised", {"minimise"}, {}, State::Minimised, 2);
        row("minimised and restored", {"minimise", "restore"}, {}, run, 3);
        row("paused, minimised and restored", {"pause", "minimise", "restore"}, {}, State::Paused,
            2);
        row("pause, and pause again", {"pause", "pause"}, {}, run, 3);
        row("quit: Yes, minimised and restored", {"quit: Yes", "minimise", "restore"}, {run}, held,
            2);
        // Regression: a restore started the game held under the window, and the close box
        // asked "Konec hry?" of a main window that took no input.
        row("how to play, minimised and restored", {"how to play", "minimise", "restore"}, {}, held,
            2);
        row("about, the close box", {"about", "close box"}, {}, held, 2);
        row("best results, closed", {"best results", "close the window"}, {}, run, 3);
        row("send, all of it", {"send", "minimise", "restore", "close box", "close the window"}, {},
            run, 3);
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
            } else if (action == u"minimise" || action == u"restore") {
                w.setWindowState(action == u"minimise" ? Qt::WindowMinimized : Qt::WindowNoState);
            } else {
                Form *open = GameFixture::find<Form>();
                done = action == u"close the window" && open && open->close();
            }
            if (!done)
                failed << step;
        };
        States underQuestions;
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
        QCOMPARE(browser.opened, steps.contains(u"world ranking"_qs)
                                     ? QList{MainWindow::Setup::fromBuild().scoreBoard.page}
                                     : QList<QUrl>());
        QTEST(underQuestions, "underQuestions");
        QVERIFY(game.answers.isEmpty());
        QCOMPARE(game.game().state(), state);
        QTEST(game.blocksOnTopRow(), "blocks");
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

    // How a game ends: the window it chooses and, after a record, the name stored and the
    // best results over the ended game; the name box takes only what the table can store.
    // Another copy of the game may fill the last place while the record window is up: the
    // record then enters only if it still beats it; or the stored table may be damaged then,
    // which is told once. The field stays as it ended; a new game starts unasked.
    void endOfGame_data() {
        QTest::addColumn<QList<int>>("scores"); // the table before, best first
        QTest::addColumn<int>("meanwhile"); // stored by another copy in the last place; -1: damage
        QTest::addColumn<int>("score");
        QTest::addColumn<bool>("record");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("how");  // enter, ok or close
        QTest::addColumn<QString>("name"); // the name stored; empty: none
        const QList<int> none, full{750, 650, 550, 450, 350}, four{900, 700, 500, 300};
        const QString ok = u"ok"_qs, close = u"close"_qs, enter = u"enter"_qs;
        QTest::newRow("score 0, free places") << none << 0 << 0 << false << u""_qs << ok << u""_qs;
        QTest::newRow("equal to the last place, Enter")
            << full << 0 << 350 << false << u""_qs << enter << u""_qs;
        QTest::newRow("one above the last place, Enter")
            << full << 0 << 351 << true << u"Eva"_qs << enter << u"Eva"_qs;
        QTest::newRow("empty OK") << none << 0 << 5 << true << u""_qs << ok << u"Anonym"_qs;
        QTest::newRow("close box with a name")
            << none << 0 << 5 << true << u"Jan Novák"_qs << close << u"Jan Novák"_qs;
        QTest::newRow("close box, empty") << none << 0 << 5 << true << u""_qs << close << u""_qs;
        QTest::newRow("spaces only") << none << 0 << 5 << true << u"   "_qs << ok << u"   "_qs;
        // The score board refuses format characters such as a soft hyphen, too.
        QTest::newRow("separators and a soft hyphen refused")
            << none << 0 << 5 << true << u"Eva;\u00ADJan\t"_qs << ok << u"EvaJan"_qs;
        QTest::newRow("too long") << none << 0 << 5 << true << QString(40, u'ř') << ok
                                  << QString(29, u'ř');
        QTest::newRow("another copy took the free place, higher")
            << four << 200 << 5 << true << u"Low"_qs << enter << u""_qs;
        QTest::newRow("another copy took the free place, lower")
            << four << 3 << 5 << true << u"Low"_qs << enter << u"Low"_qs;
        QTest::newRow("the stored table damaged meanwhile")
            << four << -1 << 5 << true << u"Low"_qs << enter << u"Low"_qs;
    }

    void endOfGame() {
        QFETCH(QList<int>, scores);
        QFETCH(int, meanwhile);
        QFETCH(int, score);
        QFETCH(bool, record);
        QFETCH(QString, typed);
        QFETCH(QString, how);
        QFETCH(QString, name);
        ScoreTable table;
        for (int i = 0; i < scores.size(); ++i)
            table.insert(u"Hráč %1"_qs.arg(i), qint16(scores[i]));
        GameFixture::storeTable(table);
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
            type(box, typed);
            if (!typed.isEmpty() && !name.isEmpty())
                QCOMPARE(box->text(), name);
        }
        const int questions = game.asked.size() + int(meanwhile < 0);
        if (how == u"enter") // in the name box, or on the focused OK button
            QTest::keyClick(end->focusWidget(), Qt::Key_Return);
        else if (how == u"ok")
            button(end, u"OK"_qs)->click();
        else
            end->close();
        QCOMPARE(game.asked.size(), questions);
        if (!name.isEmpty())
            table.insert(name, qint16(score));
        QVERIFY(stored(table));
        QVERIFY(w.isVisible());
        QCOMPARE(w.isEnabled(), !record); // a record shows the best results over it
        if (record) {
            REQUIRE_WINDOW(best, BestResultsWindow);
            QCOMPARE(namesShown(best), namesIn(table));
            button(best, u"OK"_qs)->click();
        }
        QVERIFY(w.isEnabled());
        QCOMPARE(game.game().state(), State::Ended);
        QCOMPARE(game.game().field().cell(0, 7), Colour::Red);
        QAction *pause = game.action(u"Pauza"_qs);
        QVERIFY(!pause->isEnabled());
        QVERIFY(game.trigger(u"Nová hra"_qs));
        QCOMPARE(game.asked.size(), questions);
        QCOMPARE(game.game().state(), State::Running);
        QVERIFY(pause->isEnabled());
    }

    // A settings file the game cannot read, or cannot write, is never removed or replaced.
    // The player is told once that the results cannot be saved; the run's record stays in
    // memory and on screen, also through the next game's reload.
    void unusableSettingsFileIsKept_data() {
        QTest::addColumn<QFileDevice::Permissions>("mode");
        QTest::addColumn<QString>("best"); // shown at the start
        QTest::addColumn<QStringList>("names");
        QTest::newRow("mode 000") << QFileDevice::Permissions() << u""_qs
                                  << QStringList{"Low", "", "", "", ""};
        QTest::newRow("write-only (200)") << QFileDevice::Permissions(QFileDevice::WriteOwner)
                                          << u""_qs << QStringList{"Low", "", "", "", ""};
        QTest::newRow("read-only (444), another section in it")
            << (QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther)
            << u"120"_qs << QStringList{"Eva", "Jan", "Low", "", ""};
    }
    void unusableSettingsFileIsKept() {
        if (::geteuid() == 0) {
            QByteArray output;
            QVERIFY2(passesAsOrdinaryUser(output), output.constData());
            return;
        }
        QFETCH(QFileDevice::Permissions, mode);
        QFETCH(QStringList, names);
        ScoreTable two;
        two.insert(u"Eva"_qs, 120);
        two.insert(u"Jan"_qs, 85);
        GameFixture::storeTable(two);
        QSettings(u"Toquel"_qs, u"Toquel"_qs).setValue(u"Jine/klic"_qs, 1);
        QFile file(ScoreStore::fileName());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        file.close();
        QVERIFY(file.setPermissions(mode));
        const QFileDevice::Permissions permissions = file.permissions();
        {
            GameFixture game;
            MainWindow &w = game.start();
            QTEST(shown(w, "Label6"), "best");
            game.playToTheEnd(5);
            REQUIRE_WINDOW(end, EndOfGameWindow);
            type(end->findChild<QLineEdit *>(), u"Low"_qs);
            QTest::keyClick(end->findChild<QLineEdit *>(), Qt::Key_Return);
            REQUIRE_WINDOW(best, BestResultsWindow);
            QCOMPARE(namesShown(best), names);
            best->close();
            QVERIFY(game.trigger(u"Nová hra"_qs));
            QCOMPARE(namesIn(w.scoreTable()), names);
            QCOMPARE(game.asked.size(), 1);
            QCOMPARE(game.asked[0].title, u"Výsledky nelze uložit"_qs);
        }
        QCOMPARE(file.permissions(), permissions);
        QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), bytes);
    }

    // Regression: a name longer than its row ends in "…" inside it, whole in the tooltip.
    // "Vymaž" asks first; "Odeslat na web" opens the send window and closes the best results:
    // the game runs beside it.
    void bestResultsShowClearAndSend() {
        const QString longName = u"Šárka z Dolní Lhoty u Kamenice"_qs;
        ScoreTable old;
        old.insert(u"Eva"_qs, 1234);
        old.insert(longName, 120);
        GameFixture::storeTable(old);
        GameFixture game;
        MainWindow &w = game.start();
        QVERIFY(game.asked.isEmpty());
        QCOMPARE(shown(w, "Label6"), u"1234"_qs);
        QVERIFY(game.trigger(u"Zobrazit"_qs));
        REQUIRE_WINDOW(best, BestResultsWindow);
        const auto *row = best->findChild<QLabel *>("Label2_1");
        QVERIFY(row->text().endsWith(u'…'));
        QVERIFY(longName.startsWith(row->text().chopped(1)));
        QVERIFY(row->fontMetrics().horizontalAdvance(row->text()) <= row->width());
        QCOMPARE(row->toolTip(), old.entry(1).name);
        game.answers = {Answer::No, Answer::Yes};
        button(best, u"Vymaž"_qs)->click();
        QCOMPARE(game.asked.back().title, u"Vymazat výsledky?"_qs);
        QCOMPARE(game.asked.back().text, u"Opravdu chcete smazat nejlepší výsledky?"_qs);
        QVERIFY(stored(old));
        button(best, u"Vymaž"_qs)->click();
        QCOMPARE(namesShown(best), QStringList(ScoreTable::kEntries, QString()));
        QVERIFY(stored(ScoreTable()));
        QVERIFY(best->isVisible());
        button(best, u"Odeslat na web"_qs)->click();
        QVERIFY(!best->isVisible());
        REQUIRE_WINDOW(send, SendWindow);
        QVERIFY(w.isEnabled() && game.game().state() == State::Running);
        send->close();
        QVERIFY(w.isEnabled() && game.game().state() == State::Running);
    }

    // "System Info..." on a fake registry, which the about window reads only on Windows: this
    // is its one test here. The PATH value as stored (null: no such key), the folder named
    // under MSINFO ("-": none), and the program started; with none, or when it cannot be
    // started, the player is told.
    void startsTheSystemInformationProgram_data() {
        QTest::addColumn<quint32>("type");
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("launchWorks");
        QTest::addColumn<QString>("launched");
        const auto row = [](const char *name, quint32 type, const QByteArray &path,
                            const char *folder, bool works, const char *launched) {
            QTest::newRow(name) << type << path << QString::fromLatin1(folder) << works
                                << QString::fromLatin1(launched);
        };
        const QByteArray program("C:\\p.exe\0", 9);
        const quint32 text = Registry::kText;
        row("program registered", text, program, "-", true, "C:\\p.exe");
        row("registered program fails", text, program, "-", false, "C:\\p.exe");
        row("registered as a number", Registry::kNumber, "\xFE\xFF\xFF\xFF", "-", true, "-2");
        row("registered as another type", 3, program, "C:\\F", true, "");
        row("no key, program in the folder", text, {}, "C:\\F", true, "C:\\F\\MSINFO32.EXE");
        row("value too long, program in the folder", text, QByteArray(1025, 'x'), "C:\\F", true,
            "C:\\F\\MSINFO32.EXE");
        row("neither entry", text, {}, "-", true, "");
    }

    void startsTheSystemInformationProgram() {
        QFETCH(quint32, type);
        QFETCH(QByteArray, path);
        QFETCH(QString, folder);
        QFETCH(bool, launchWorks);
        QFETCH(QString, launched);
        FakeRegistry registry;
        if (!path.isNull())
            registry.keys[kMsInfoKey][u"PATH"_qs] = {type, path};
        if (folder != u'-')
            registry.keys[kLocationKey][u"MSINFO"_qs] = {Registry::kText, folder.toLatin1() + '\0'};
        QStringList started, told;
        MessageBox::setAnswerer(
            [&](const MessageBox::Request &request) { return told << request.text, Answer::Ok; });
        AboutWindow about(u"hra@example.cz"_qs, nullptr);
        about.setSysInfoPlatform(
            {&registry, [](const QString &file) { return file.endsWith(u"MSINFO32.EXE"); },
             [&](const QString &program) { return started << program, launchWorks; }});
        button(&about, u"&System Info..."_qs)->click();
        MessageBox::setAnswerer({});
        QVERIFY(registry.open.isEmpty()); // every key opened is closed again
        QCOMPARE(started, launched.isEmpty() ? QStringList() : QStringList{launched});
        QCOMPARE(told, launched.isEmpty() || !launchWorks
                           ? QStringList{u"System Information Is Unavailable At This Time"_qs}
                           : QStringList());
    }
};

TOQUEL_TEST_MAIN(TestGame)
#include "tst_game.moc"
