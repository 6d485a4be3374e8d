// The game through its windows: starting, holding and leaving it, playing it to
// its end, the record and the best results.
#include "GameFixture.h"
#include "scores/BestResultsWindow.h"
#include "scores/EndOfGameWindow.h"
#include "shell/AboutWindow.h"
#include "shell/BuildConfig.h"
#include "shell/HowToPlayWindow.h"
#include "shell/Registry.h"
#include "shell/RulesText.h"
#include "shell/Twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>

namespace {
const QString kMsInfoKey = u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"_qs;
const QString kLocationKey = u"SOFTWARE\\Microsoft\\Shared Tools Location"_qs;
using Answer = GameFixture::Answer;
using State = Game::State;

// The menu windows by their step: the command that opens each and its object name.
const QHash<char, QPair<const char *, const char *>> kMenuWindows{
    {'H', {"MnJakHrat", "JakHratFrm"}},
    {'A', {"MnOAplikaci", "OAplikaciFrm"}},
    {'B', {"MnZobrazitNv", "VysledkyFrm"}},
    {'S', {"MnOdeslatNv", "OdeslatFrm"}},
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

// Types text key by key, Czech letters included, as the player would.
void type(QWidget *box, const QString &text) {
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

QString labelText(QWidget *window, const char *name) {
    const auto *label = window->findChild<QLabel *>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("<no label %1>").arg(name);
}

bool running(const GameFixture &game) {
    return game.game().state() == State::Running;
}

bool stored(const ScoreTable &expected) {
    ScoreBook reread;
    return reread.load() == ScoreBook::Load::Loaded && reread.table() == expected;
}
} // namespace

class TestGame : public QObject {
    Q_OBJECT
private slots:
    void init() { GameFixture::storeTable(ScoreTable()); }

    // The first start: the missing table is reported once and stored, so that the next start
    // finds it and says nothing, and a fresh game is shown and played. Regression: the window
    // was moved inside its show, after the row clock had let events in; with no window
    // manager it came up 640 x 480, off centre.
    void firstStartShowsAFreshGame() {
        GameFixture::forgetStoredTable();
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
        const QRect screen = game.window->screen()->availableGeometry();
        QCOMPARE(watcher.atShow.size(), QSize(499, 365));
        QVERIFY((watcher.atShow.center() - screen.center()).manhattanLength() <= 2);
        QCOMPARE(game.asked.size(), 1);
        QCOMPARE(game.asked[0].title, u"Poškození výsledků"_qs);
        QCOMPARE(game.asked[0].text, u"Uložené nejlepší výsledky byly poškozeny nebo smazány.\n"
                                     u"Je mi líto, ale musíte jich znovu dosáhnout."_qs);
        QVERIFY(stored(ScoreTable()));
        QCOMPARE(labelText(game.window->fieldView(), "Label6_1"), QString());
        // The new game and the first show each move the row once.
        QCOMPARE(game.blocksOnTopRow(), 2);
        QVERIFY(running(game));
        QCOMPARE(labelText(game.window->fieldView(), "Label2_1"), u"00 000"_qs);
        QCOMPARE(labelText(game.window->fieldView(), "Label4_1"), u"00"_qs);
        // Any button sends the block on a launch square down its column; a square beside
        // the columns sends nothing. The score shows on the label and on its shadow.
        const std::pair<int, Qt::MouseButton> presses[] = {{7, Qt::LeftButton},
                                                           {15, Qt::RightButton},
                                                           {11, Qt::MiddleButton},
                                                           {8, Qt::LeftButton}};
        for (const auto &[square, button] : presses) {
            const int column = qMax(0, Field::columnUnder(square));
            game.prepare(column, 5, Square(column), square);
            game.press(square, button);
        }
        QCOMPARE(labelText(game.window->fieldView(), "Label2_1"), u"00 015"_qs);
        QCOMPARE(labelText(game.window->fieldView(), "Label2_0"), u"00 015"_qs);
        // Regression: negative twips were truncated toward zero, a pixel too far right.
        QCOMPARE(FieldView::topSquareRect(0), QRect(-15, 19, 23, 23));
        QCOMPARE(Twips::toPixels(-8), -1);
        // Regression: F10 did not open the first menu.
        QApplication::setActiveWindow(game.window.get());
        QTest::keyClick(game.window.get(), Qt::Key_F10);
        auto *first = game.window->findChild<QMenu *>(u"MnHra"_qs);
        QVERIFY(first);
        QCOMPARE(game.window->menuBar()->activeAction(), first->menuAction());
        QTRY_VERIFY(first->isVisible());
        first->hide();
        Program::installCzechTranslation(*qApp); // and the boxes' buttons speak Czech
        QMessageBox box(QMessageBox::NoIcon, {}, {}, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.button(QMessageBox::Yes)->text(), u"&Ano"_qs);
        QCOMPARE(box.button(QMessageBox::No)->text(), u"&Ne"_qs);
    }

    // Steps in turn, as the player takes them: N new game, Q quit, C the close box, P pause,
    // M minimise, R restore, H A B S a menu window (how to play, about, best results, send)
    // and X its close box; "N>Q" takes Q while N's question is open. The questions are
    // answered in turn (y, n) and the game's state while each is open is noted (r running,
    // h held, p paused). A started game has two blocks on its top row.
    void steps_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("answers");
        QTest::addColumn<QString>("asking");
        QTest::addColumn<State>("state");
        QTest::addColumn<int>("blocks");
        QTest::addColumn<bool>("quit");
        const auto row = [](const char *name, const char *steps, const char *answers,
                            const char *asking, State state, int blocks, bool quit = false) {
            QTest::newRow(name) << QString::fromLatin1(steps) << QString::fromLatin1(answers)
                                << QString::fromLatin1(asking) << state << blocks << quit;
        };
        const State held = State::Held, run = State::Running;
        row("new game, No resumes with a tick", "N", "n", "h", run, 3);
        row("new game, Yes starts afresh", "N", "y", "h", run, 1);
        row("paused, new game Yes stays paused", "PN", "y", "p", State::Paused, 0);
        row("quit by the close box, No", "C", "n", "r", run, 2);
        row("quit by the menu, Yes", "Q", "y", "r", held, 2, true);
        row("quit by the close box, Yes", "C", "y", "r", held, 2, true);
        // After a quit confirmed inside another question, even its Yes changes nothing.
        row("quit inside the new-game question", "N>Q", "yy", "hh", held, 2, true);
        row("minimised", "M", "", "", State::Minimised, 2);
        row("minimised and restored, with a tick", "MR", "", "", run, 3);
        // Regression: a restore started the game held under the window, and the close box
        // asked "Konec hry?" of a main window that took no input.
        row("how to play, minimised and restored", "HMR", "", "", held, 2);
        row("about, the close box", "AC", "", "", held, 2);
        row("best results closed, with a tick", "BX", "", "", run, 3);
        row("send, all of it", "SMRCX", "", "", run, 3);
    }

    void steps() {
        QFETCH(QString, steps);
        QFETCH(QString, answers);
        QFETCH(State, state);
        QFETCH(bool, quit);
        GameFixture game;
        MainWindow &w = game.start();
        for (QChar answer : answers)
            game.answers << (answer == u'y' ? Answer::Yes : Answer::No);
        QString failed; // the steps that did not do what they should
        const auto take = [&](QChar step) {
            const char c = step.toLatin1();
            Form *open = GameFixture::find<Form>();
            bool done = true;
            if (kMenuWindows.contains(c)) {
                done = game.trigger(kMenuWindows[c].first) && (open = GameFixture::find<Form>()) &&
                       open->objectName() == QLatin1String(kMenuWindows[c].second);
            } else if (c == 'C') {
                w.close();
            } else if (c == 'M' || c == 'R') {
                w.setWindowState(c == 'M' ? Qt::WindowMinimized : Qt::WindowNoState);
            } else if (c == 'X') {
                done = open && open->close();
            } else {
                done = game.trigger(c == 'N'   ? "MnNovahra"
                                    : c == 'Q' ? "MnKonec"
                                    : c == 'P' ? "MnPauza"
                                               : "an unknown step");
            }
            failed += done ? QString() : QString(step);
        };
        QString asking;
        QChar inside; // taken while the next question is open
        game.whileAsking = [&](const MessageBox::Request &) {
            asking += QLatin1Char("rhpme"[int(game.game().state())]);
            if (!inside.isNull())
                take(std::exchange(inside, QChar()));
        };
        for (qsizetype i = 0; i < steps.size(); ++i) {
            const bool nested = i + 2 < steps.size() && steps[i + 1] == u'>';
            inside = nested ? steps[i + 2] : QChar();
            take(steps[i]);
            i += nested ? 2 : 0;
        }
        QCOMPARE(failed, QString());
        QTEST(asking, "asking");
        QVERIFY(game.answers.isEmpty());
        QCOMPARE(game.game().state(), state);
        QTEST(game.blocksOnTopRow(), "blocks");
        QCOMPARE(game.quits, int(quit));
        QCOMPARE(w.isVisible(), !quit);
        // An open menu window takes the input, and the main window none.
        const Form *open = GameFixture::find<Form>();
        QCOMPARE(w.isEnabled(), !open);
        QVERIFY(!open || open->isEnabled());
        QCOMPARE(w.findChild<QAction *>(u"MnPauza"_qs)->isChecked(), state == State::Paused);
    }

    // The rules stand on lines of their own (a CR would be drawn as a gap), end with the
    // contact and, in the wider font that stands in for the designed one, all show.
    void howToPlayShowsAllTheRules() {
        HowToPlayWindow help(nullptr);
        const QString contact = QString::fromUtf8(BuildConfig::kContact);
        auto *rules = help.findChild<QLabel *>(u"Label2"_qs);
        QVERIFY(rules);
        QCOMPARE(rules->text(), howToPlayText(contact).replace(u'\r', QString()));
        QVERIFY(rules->text().endsWith(u"pomocí e-mailu "_qs + contact));
        // Regression: the rules said the blocks move from left to right.
        QVERIFY(rules->text().contains(u"pohybují zprava doleva kostičky"_qs));
        QVERIFY(rules->heightForWidth(rules->width()) <= rules->height());
        QVERIFY(rules->font().pixelSize() >= 9);
    }

    // How a game ends: the window it chooses and, after a record, the name stored
    // and the best results over the ended game; the name box takes only what the
    // table can store. The field stays as it ended; a new game starts unasked.
    void endOfGame_data() {
        QTest::addColumn<int>("lastPlace"); // -1: free places
        QTest::addColumn<int>("score");
        QTest::addColumn<bool>("record");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("how");  // enter, ok or close
        QTest::addColumn<QString>("name"); // the name stored; empty: none
        const QString ok = u"ok"_qs, close = u"close"_qs;
        QTest::newRow("score 0, free places") << -1 << 0 << false << u""_qs << ok << u""_qs;
        QTest::newRow("equal to the last place") << 350 << 350 << false << u""_qs << ok << u""_qs;
        QTest::newRow("one above the last place, Enter")
            << 350 << 351 << true << u"Eva"_qs << u"enter"_qs << u"Eva"_qs;
        QTest::newRow("empty OK") << -1 << 5 << true << u""_qs << ok << u"Anonym"_qs;
        QTest::newRow("close box with a name")
            << -1 << 5 << true << u"Jan Novák"_qs << close << u"Jan Novák"_qs;
        QTest::newRow("close box, empty") << -1 << 5 << true << u""_qs << close << u""_qs;
        QTest::newRow("spaces only") << -1 << 5 << true << u"   "_qs << ok << u"   "_qs;
        QTest::newRow("separators refused")
            << -1 << 5 << true << u"Eva;Jan\t"_qs << ok << u"EvaJan"_qs;
        QTest::newRow("too long") << -1 << 5 << true << QString(40, u'ř') << ok
                                  << QString(29, u'ř');
        // The score board refuses format characters such as a soft hyphen.
        QTest::newRow("soft hyphen refused")
            << -1 << 5 << true << u"Eva\u00ADJan"_qs << ok << u"EvaJan"_qs;
    }

    void endOfGame() {
        QFETCH(int, lastPlace);
        QFETCH(int, score);
        QFETCH(bool, record);
        QFETCH(QString, typed);
        QFETCH(QString, how);
        QFETCH(QString, name);
        ScoreTable table;
        for (int i = 0; lastPlace >= 0 && i < ScoreTable::kEntries; ++i)
            table.insert(u"Hráč %1"_qs.arg(i), qint16(lastPlace + 100 * (4 - i)));
        GameFixture::storeTable(table);
        GameFixture game;
        MainWindow &w = game.start();
        w.move(120, 80);
        // Blocks onto nine blocks score 9 each; one more makes up the rest.
        for (int rest = score; rest > 0; rest -= 9) {
            game.prepare(0, qMin(rest, 9), Colour::Blue);
            game.press(7);
        }
        QCOMPARE(game.game().score(), score);
        game.prepare(0, 5, Colour::Red); // a wrong colour ends the game
        game.press(7);
        QVERIFY(!w.isVisible());
        REQUIRE_WINDOW(end, EndOfGameWindow);
        QCOMPARE(end->windowTitle(),
                 record ? u"Dosáhl jste rekordu..."_qs : u"Nebylo dosaženo rekordu..."_qs);
        QCOMPARE(end->pos(), QPoint(120, 87)); // over the main window, 105 twips lower
        QCOMPARE(labelText(end, "Label10"), Scoring::formatScore(score));
        auto *box = end->findChild<QLineEdit *>("Text1");
        QCOMPARE(box != nullptr, record);
        if (box) {
            box->insert(u"Zoè"_qs); // è has no Windows-1250 code: the paste is refused
            QCOMPARE(box->text(), QString());
            type(box, typed);
            if (!typed.isEmpty())
                QCOMPARE(box->text(), name);
        }
        if (how == u"enter")
            QTest::keyClick(box, Qt::Key_Return);
        else if (how == u"ok")
            end->findChild<QPushButton *>("Command1")->click();
        else
            end->close();
        if (!name.isEmpty())
            table.insert(name, qint16(score));
        QVERIFY(stored(table));
        QVERIFY(w.isVisible());
        QCOMPARE(w.isEnabled(), !record); // a record shows the best results over it
        if (record) {
            REQUIRE_WINDOW(best, BestResultsWindow);
            for (int i = 0; i < ScoreTable::kEntries; ++i)
                QCOMPARE(labelText(best, "Label2_" + QByteArray::number(i)), table.entry(i).name);
            best->findChild<QPushButton *>("OKButton")->click();
        }
        QVERIFY(!GameFixture::find<BestResultsWindow>());
        QVERIFY(w.isEnabled());
        QCOMPARE(game.game().state(), State::Ended);
        QCOMPARE(game.game().field().cell(0, 7), Colour::Red);
        auto *pause = w.findChild<QAction *>(u"MnPauza"_qs);
        QVERIFY(!pause->isEnabled());
        const int questions = game.asked.size();
        QVERIFY(game.trigger("MnNovahra"));
        QCOMPARE(game.asked.size(), questions);
        QVERIFY(running(game));
        QVERIFY(pause->isEnabled());
    }

    // Regression: a table the earlier game wrote, with a name longer than a row and a
    // score with leading zeros, loads without a damage message; the long name is cut
    // short with "…" inside its row and kept whole in the tooltip. "Odeslat na web"
    // opens the send window and closes the best results: the game runs beside it.
    void bestResultsShowClearAndSend() {
        const QString longName = u"Šárka z Dolní Lhoty u Kamenice nad Lipou"_qs;
        ScoreTable old;
        old.setEntry(0, {u"Eva"_qs, u"1234"_qs});
        old.setEntry(1, {longName, u"0120"_qs});
        GameFixture::storeTable(old);
        GameFixture game;
        MainWindow &w = game.start();
        QVERIFY(game.asked.isEmpty());
        QCOMPARE(labelText(w.fieldView(), "Label6_1"), u"1234"_qs);
        QVERIFY(game.trigger("MnZobrazitNv"));
        REQUIRE_WINDOW(best, BestResultsWindow);
        const auto *row = best->findChild<QLabel *>("Label2_1");
        QVERIFY(row);
        QVERIFY(row->text().endsWith(u'…'));
        QVERIFY(longName.startsWith(row->text().chopped(1)));
        QVERIFY(row->fontMetrics().horizontalAdvance(row->text()) <= row->width());
        QCOMPARE(row->toolTip(), longName);
        QCOMPARE(labelText(best, "Label3_1"), u"0120"_qs);
        QCOMPARE(labelText(best, "Label3_2"), QString());
        game.answers = {Answer::No, Answer::Yes};
        best->findChild<QPushButton *>("Command2")->click();
        QCOMPARE(game.asked.back().title, u"Vymazat výsledky?"_qs);
        QCOMPARE(game.asked.back().text, u"Opravdu chcete smazat nejlepší výsledky?"_qs);
        QVERIFY(stored(old));
        best->findChild<QPushButton *>("Command2")->click();
        QCOMPARE(labelText(best, "Label2_0"), QString());
        QVERIFY(stored(ScoreTable()));
        QVERIFY(best->isVisible());
        best->findChild<QPushButton *>("Command1")->click();
        QVERIFY(!best->isVisible());
        REQUIRE_WINDOW(send, SendWindow);
        QVERIFY(w.isEnabled() && running(game));
        send->close();
        QVERIFY(w.isEnabled() && running(game));
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
        AboutWindow about(nullptr);
        about.setSysInfoPlatform(
            {&registry, [](const QString &file) { return file.endsWith(u"MSINFO32.EXE"); },
             [&](const QString &program) { return started << program, launchWorks; }});
        about.findChild<QPushButton *>(u"cmdSysInfo"_qs)->click();
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
