// The game through its windows: starting, holding and leaving it, playing it to
// its end, the record and the best results.
#include "GameFixture.h"
#include "TestMain.h"
#include "scores/BestResultsWindow.h"
#include "scores/NoRecordWindow.h"
#include "scores/RecordWindow.h"
#include "shell/AboutWindow.h"
#include "shell/BuildConfig.h"
#include "shell/HowToPlayWindow.h"
#include "shell/Registry.h"
#include "shell/RulesText.h"
#include "shell/Twips.h"

#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>

namespace {
const QString kMsInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kLocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");

// A registry of a few values under HKEY_LOCAL_MACHINE, counting the keys left open.
class FakeRegistry : public Registry {
public:
    QHash<QString, QHash<QString, QPair<quint32, QByteArray>>> keys;
    int open = 0;

    bool openKey(Root root, const QString &path, Key &key) override {
        if (root != Root::LocalMachine || !keys.contains(path))
            return false;
        key = Key(qHash(path) | 1);
        m_paths[key] = path;
        ++open;
        return true;
    }
    bool queryValue(Key key, const QString &name, quint32 &type, QByteArray &buffer,
                    quint32 &size) override {
        const auto value = keys.value(m_paths.value(key)).value(name, {0, QByteArray()});
        if (value.second.isNull() || quint32(value.second.size()) > size ||
            value.second.size() > buffer.size())
            return false;
        type = value.first;
        std::copy(value.second.begin(), value.second.end(), buffer.begin());
        size = quint32(value.second.size());
        return true;
    }
    void closeKey(Key) override { --open; }

private:
    QHash<Key, QString> m_paths;
};

ScoreTable tableWithLastPlace(int last) {
    ScoreTable table;
    for (int i = 0; i < ScoreTable::kEntries; ++i)
        table.insert(QStringLiteral("Hráč %1").arg(i), qint16(last + 100 * (4 - i)));
    return table;
}

// Types text key by key, Czech letters included, as the player would.
void type(QWidget *box, const QString &text) {
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

QString labelText(QWidget *window, const char *name) {
    const auto *label = window->findChild<QLabel *>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("<no label %1>").arg(name);
}

QString caption(const MainWindow &window, const char *pair) {
    return labelText(window.fieldView(), (QByteArray(pair) + "_1").constData());
}

// One right block (5 points), then a wrong one: the game ends with a record.
void endWithAFivePointRecord(const GameFixture &game) {
    game.prepare(0, 5, Colour::Blue);
    game.press(7);
    game.prepare(0, 5, Colour::Red);
    game.press(7);
}

bool running(const GameFixture &game) {
    return game.game().state() == Game::State::Running;
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

    void firstStartReportsTheMissingTableOnce() {
        GameFixture::forgetStoredTable();
        {
            GameFixture game;
            MainWindow &w = game.start();
            QCOMPARE(game.asked.size(), 1);
            QCOMPARE(game.asked[0].title, QStringLiteral("Poškození výsledků"));
            QCOMPARE(game.asked[0].text,
                     QStringLiteral("Uložené nejlepší výsledky byly poškozeny nebo smazány.\n"
                                    "Je mi líto, ale musíte jich znovu dosáhnout."));
            QCOMPARE(caption(w, "Label6"), QString());
        }
        QVERIFY(stored(ScoreTable()));
        GameFixture again;
        again.start();
        QVERIFY(again.asked.isEmpty());
    }

    // Regression: the window was moved inside its show, after the row clock had let
    // events in; with no window manager it then came up 640 x 480 and off centre.
    void startShowsAFreshGame() {
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

        // The new game and the first show each move the row once.
        QCOMPARE(game.blocksOnTopRow(), 2);
        QVERIFY(running(game));
        QCOMPARE(caption(*game.window, "Label2"), QStringLiteral("00 000"));
        QCOMPARE(caption(*game.window, "Label4"), QStringLiteral("00"));
        // Regression: negative twips were truncated toward zero, a pixel too far right.
        QCOMPARE(FieldView::topSquareRect(0), QRect(-15, 19, 23, 23));
        QCOMPARE(Twips::toPixels(-8), -1);
    }

    void newGameQuestion_data() {
        QTest::addColumn<bool>("paused");
        QTest::addColumn<GameFixture::Answer>("answer");
        QTest::addColumn<Game::State>("after");
        QTest::addColumn<int>("blocks");
        using A = GameFixture::Answer;
        QTest::newRow("No resumes with a tick") << false << A::No << Game::State::Running << 3;
        QTest::newRow("Yes starts afresh") << false << A::Yes << Game::State::Running << 1;
        QTest::newRow("paused, Yes stays paused") << true << A::Yes << Game::State::Paused << 0;
    }

    void newGameQuestion() {
        QFETCH(bool, paused);
        QFETCH(GameFixture::Answer, answer);
        GameFixture game;
        game.start();
        if (paused)
            QVERIFY(game.trigger("MnPauza"));
        bool heldWhileAsking = false;
        game.whileAsking = [&](const MessageBox::Request &) {
            heldWhileAsking = !game.game().launchSquaresEnabled();
        };
        game.answers = {answer};
        QVERIFY(game.trigger("MnNovahra"));
        QCOMPARE(game.asked.back().title, QStringLiteral("Nová hra?"));
        QVERIFY(heldWhileAsking);
        QTEST(game.game().state(), "after");
        QTEST(game.blocksOnTopRow(), "blocks");
        QCOMPARE(game.isPauseChecked(), paused);
    }

    void quitQuestion_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<GameFixture::Answer>("answer");
        QTest::newRow("menu, No") << u"menu"_qs << GameFixture::Answer::No;
        QTest::newRow("close box, No") << u"close"_qs << GameFixture::Answer::No;
        QTest::newRow("menu, Yes") << u"menu"_qs << GameFixture::Answer::Yes;
        QTest::newRow("close box, Yes") << u"close"_qs << GameFixture::Answer::Yes;
    }

    void quitQuestion() {
        QFETCH(QString, how);
        QFETCH(GameFixture::Answer, answer);
        GameFixture game;
        MainWindow &w = game.start();
        bool runningWhileAsking = false;
        game.whileAsking = [&](const MessageBox::Request &) { runningWhileAsking = running(game); };
        game.answers = {answer};
        if (how == QLatin1String("menu"))
            QVERIFY(game.trigger("MnKonec"));
        else
            QCOMPARE(w.close(), answer == GameFixture::Answer::Yes);
        QCOMPARE(game.asked.back().title, QStringLiteral("Konec hry?"));
        QCOMPARE(game.asked.back().text, QStringLiteral("Opravdu chcete skončit?"));
        QVERIFY(runningWhileAsking); // the quit question does not hold the game
        const bool quit = answer == GameFixture::Answer::Yes;
        QCOMPARE(game.quits, int(quit));
        QCOMPARE(w.isVisible(), !quit);
        QCOMPARE(running(game), !quit);
    }

    // The player asks for a new game; while that question is open, a second
    // window's quit is confirmed. The new-game answer then changes nothing.
    void quitConfirmedInsideAnotherQuestionRunsNothingMore() {
        GameFixture game;
        game.start();
        game.whileAsking = [&](const MessageBox::Request &request) {
            if (request.title == QStringLiteral("Nová hra?")) {
                game.answers = {GameFixture::Answer::Yes, GameFixture::Answer::No};
                QVERIFY(game.trigger("MnKonec"));
            }
        };
        const int blocks = game.blocksOnTopRow();
        QVERIFY(game.trigger("MnNovahra"));
        QCOMPARE(game.quits, 1);
        QVERIFY(!game.game().rowClock().isEnabled());
        QCOMPARE(game.blocksOnTopRow(), blocks);
        QCOMPARE(game.asked.size(), 2);
    }

    void heldUnderAMenuWindow_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("window");
        QTest::newRow("how to play") << u"MnJakHrat"_qs << u"JakHratFrm"_qs;
        QTest::newRow("about") << u"MnOAplikaci"_qs << u"OAplikaciFrm"_qs;
        QTest::newRow("best results") << u"MnZobrazitNv"_qs << u"VysledkyFrm"_qs;
        QTest::newRow("send") << u"MnOdeslatNv"_qs << u"OdeslatFrm"_qs;
    }

    // Regression: a restore ran the resize rule and started the held game under the
    // window; the main window's close box asked "Konec hry?" though it took no input.
    void heldUnderAMenuWindow() {
        QFETCH(QString, command);
        QFETCH(QString, window);
        GameFixture game;
        MainWindow &w = game.start();
        QVERIFY(game.trigger(command.toLatin1()));
        REQUIRE_WINDOW(open, Form);
        QCOMPARE(open->objectName(), window);
        QVERIFY(open->isEnabled());
        QVERIFY(!w.isEnabled());
        const int blocks = game.blocksOnTopRow();
        w.setWindowState(Qt::WindowMinimized);
        w.setWindowState(Qt::WindowNoState);
        QCOMPARE(game.game().state(), Game::State::Held);
        QCOMPARE(game.blocksOnTopRow(), blocks);

        game.asked.clear();
        QVERIFY(!w.close());
        QVERIFY(game.asked.isEmpty());
        QVERIFY(open->isVisible());

        open->close();
        QVERIFY(w.isEnabled());
        QVERIFY(running(game));
        QCOMPARE(game.blocksOnTopRow(), blocks + 1);
        w.setWindowState(Qt::WindowMinimized);
        QCOMPARE(game.game().state(), Game::State::Minimised);
        w.setWindowState(Qt::WindowNoState);
        QCOMPARE(game.blocksOnTopRow(), blocks + 2);
    }

    void f10OpensTheFirstMenu() {
        GameFixture game;
        MainWindow &w = game.start();
        QApplication::setActiveWindow(&w);
        QTest::keyClick(&w, Qt::Key_F10);
        auto *first = w.findChild<QMenu *>(QStringLiteral("MnHra"));
        QVERIFY(first);
        QCOMPARE(w.menuBar()->activeAction(), first->menuAction());
        QTRY_VERIFY(first->isVisible());
        first->hide();
    }

    void messageBoxesSpeakCzech() {
        Program::installCzechTranslation(*qApp);
        QMessageBox box(QMessageBox::NoIcon, QString(), QString(),
                        QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Ano"));
        QCOMPARE(box.button(QMessageBox::No)->text(), QStringLiteral("&Ne"));
    }

    void anyButtonSendsFromALaunchSquare_data() {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<int>("square");
        QTest::addColumn<QString>("score");
        QTest::newRow("left on blue") << Qt::LeftButton << 7 << u"00 005"_qs;
        QTest::newRow("right on white") << Qt::RightButton << 15 << u"00 005"_qs;
        QTest::newRow("middle on orange") << Qt::MiddleButton << 11 << u"00 005"_qs;
        QTest::newRow("left beside the columns") << Qt::LeftButton << 8 << u"00 000"_qs;
    }

    void anyButtonSendsFromALaunchSquare() {
        QFETCH(Qt::MouseButton, button);
        QFETCH(int, square);
        GameFixture game;
        MainWindow &w = game.start();
        const int column = qMax(0, Field::columnUnder(square));
        game.prepare(column, 5, Square(column));
        game.game().field().setTop(square, Square(column));
        game.press(square, button);
        QTEST(caption(w, "Label2"), "score");
        QCOMPARE(caption(w, "Label2"), labelText(w.fieldView(), "Label2_0")); // the shadow agrees
    }

    void endOfGameChoosesItsWindow_data() {
        QTest::addColumn<int>("lastPlace"); // -1: a free place
        QTest::addColumn<int>("score");
        QTest::addColumn<bool>("record");
        QTest::newRow("score 0 with free places") << -1 << 0 << false;
        QTest::newRow("score 5 with a free place") << -1 << 5 << true;
        QTest::newRow("equal to the last place") << 350 << 350 << false;
        QTest::newRow("one above the last place") << 350 << 351 << true;
    }

    void endOfGameChoosesItsWindow() {
        QFETCH(int, lastPlace);
        QFETCH(int, score);
        GameFixture::storeTable(lastPlace < 0 ? ScoreTable() : tableWithLastPlace(lastPlace));
        GameFixture game;
        MainWindow &w = game.start();
        w.move(120, 80);
        // Blocks onto nine blocks score 9 each; one more makes up the rest.
        while (game.game().score() + 9 <= score) {
            game.prepare(0, 9, Colour::Blue);
            game.press(7);
        }
        if (const int rest = score - game.game().score(); rest > 0) {
            game.prepare(0, rest, Colour::Blue);
            game.press(7);
        }
        QCOMPARE(game.game().score(), score);
        game.prepare(0, 5, Colour::Red);
        game.press(7);
        QVERIFY(!w.isVisible());
        QFETCH(bool, record);
        QCOMPARE(GameFixture::find<RecordWindow>() != nullptr, record);
        QCOMPARE(GameFixture::find<NoRecordWindow>() != nullptr, !record);
        REQUIRE_WINDOW(end, EndOfGameWindow);
        QCOMPARE(end->pos(), QPoint(120, 87)); // over the main window, 105 twips lower
        QCOMPARE(labelText(end, "Label10"), Scoring::formatScore(score));
    }

    void noRecordWindowGivesTheFieldBack() {
        GameFixture game;
        MainWindow &w = game.start();
        game.prepare(0, 5, Colour::Red);
        game.press(7);
        REQUIRE_WINDOW(end, NoRecordWindow);
        QCOMPARE(end->windowTitle(), QStringLiteral("Nebylo dosaženo rekordu..."));
        end->findChild<QPushButton *>("Command1")->click();
        QVERIFY(w.isVisible() && w.isEnabled());
        QVERIFY(!GameFixture::find<BestResultsWindow>());
        QCOMPARE(game.game().field().cell(0, 7), Colour::Red); // the field stays as it ended
        QVERIFY(!w.findChild<QAction *>(QStringLiteral("MnPauza"))->isEnabled());
        // A new game now starts without a question.
        const int questions = game.asked.size();
        QVERIFY(game.trigger("MnNovahra"));
        QCOMPARE(game.asked.size(), questions);
        QVERIFY(running(game));
        QVERIFY(w.findChild<QAction *>(QStringLiteral("MnPauza"))->isEnabled());
    }

    void recordStoresTheName_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("how");  // enter, ok or close
        QTest::addColumn<QString>("name"); // empty: nothing stored
        QTest::newRow("Enter") << u"Eva"_qs << u"enter"_qs << u"Eva"_qs;
        QTest::newRow("empty OK") << u""_qs << u"ok"_qs << u"Anonym"_qs;
        QTest::newRow("close box with a name") << u"Jan Novák"_qs << u"close"_qs << u"Jan Novák"_qs;
        QTest::newRow("close box, empty") << u""_qs << u"close"_qs << u""_qs;
        QTest::newRow("spaces only") << u"   "_qs << u"ok"_qs << u"   "_qs;
    }

    void recordStoresTheName() {
        QFETCH(QString, typed);
        QFETCH(QString, how);
        QFETCH(QString, name);
        GameFixture game;
        MainWindow &w = game.start();
        endWithAFivePointRecord(game);
        REQUIRE_WINDOW(record, RecordWindow);
        auto *box = record->findChild<QLineEdit *>("Text1");
        type(box, typed);
        if (how == QLatin1String("enter"))
            QTest::keyClick(box, Qt::Key_Return);
        else if (how == QLatin1String("ok"))
            record->findChild<QPushButton *>("Command1")->click();
        else
            record->close();

        ScoreTable expected;
        if (!name.isEmpty())
            expected.insert(name, 5);
        QVERIFY(stored(expected));
        QVERIFY(w.isVisible());
        QVERIFY(!w.isEnabled()); // until the best results close
        REQUIRE_WINDOW(best, BestResultsWindow);
        QCOMPARE(labelText(best, "Label2_0"), name);
        best->close();
        QVERIFY(w.isEnabled());
        QCOMPARE(game.game().state(), Game::State::Ended); // closing restarts nothing
    }

    void nameBoxRefusesWhatCannotBeStored() {
        GameFixture game;
        game.start();
        endWithAFivePointRecord(game);
        REQUIRE_WINDOW(record, RecordWindow);
        auto *box = record->findChild<QLineEdit *>("Text1");
        type(box, QStringLiteral("Eva;Jan\t"));
        QCOMPARE(box->text(), QStringLiteral("EvaJan"));
        box->clear();
        box->insert(QStringLiteral("Zoè")); // è has no Windows-1250 code: the paste is refused
        QCOMPARE(box->text(), QString());
        type(box, QString(40, u'ř'));
        QCOMPARE(box->text(), QString(ScoreTable::kMaxNameLength, u'ř'));
    }

    void bestResultsShowAndClearTheTable() {
        ScoreTable two;
        two.insert(QStringLiteral("Eva"), 1234);
        two.insert(QStringLiteral("Jan"), 85);
        GameFixture::storeTable(two);
        GameFixture game;
        MainWindow &w = game.start();
        QCOMPARE(caption(w, "Label6"), QStringLiteral("1234"));
        QVERIFY(game.trigger("MnZobrazitNv"));
        REQUIRE_WINDOW(best, BestResultsWindow);
        QCOMPARE(labelText(best, "Label2_1"), QStringLiteral("Jan"));
        QCOMPARE(labelText(best, "Label3_1"), QStringLiteral("85"));
        QCOMPARE(labelText(best, "Label3_2"), QString());

        game.answers = {GameFixture::Answer::No, GameFixture::Answer::Yes};
        best->findChild<QPushButton *>("Command2")->click();
        QCOMPARE(game.asked.back().title, QStringLiteral("Vymazat výsledky?"));
        QCOMPARE(game.asked.back().text,
                 QStringLiteral("Opravdu chcete smazat nejlepší výsledky?"));
        QVERIFY(stored(two));
        best->findChild<QPushButton *>("Command2")->click();
        QCOMPARE(labelText(best, "Label2_0"), QString());
        QVERIFY(stored(ScoreTable()));
        QVERIFY(best->isVisible());
        best->findChild<QPushButton *>("OKButton")->click();
        QVERIFY(w.isEnabled());
        QVERIFY(running(game));
    }

    // A table the earlier game wrote, with a name longer than a row and a score
    // with leading zeros, loads without a damage message; the long name is cut
    // short with "…" inside its row and kept whole in the tooltip.
    void bestResultsOfTheEarlierGameLoadAndFit() {
        const QString longName = QStringLiteral("Šárka z Dolní Lhoty u Kamenice nad Lipou");
        ScoreTable old;
        old.setEntry(0, {longName, QStringLiteral("0120")});
        GameFixture::storeTable(old);
        GameFixture game;
        game.start();
        QVERIFY(game.asked.isEmpty());
        QVERIFY(game.trigger("MnZobrazitNv"));
        REQUIRE_WINDOW(best, BestResultsWindow);
        const auto *row = best->findChild<QLabel *>("Label2_0");
        QVERIFY(row->text().endsWith(u'…'));
        QVERIFY(longName.startsWith(row->text().chopped(1)));
        QVERIFY(row->fontMetrics().horizontalAdvance(row->text()) <= row->width());
        QCOMPARE(row->toolTip(), longName);
        QCOMPARE(labelText(best, "Label3_0"), QStringLiteral("0120"));
    }

    // "Odeslat na web" in the best results opens the send window, then closes the
    // best results, whose closing gives the main window back: the game runs beside
    // the send window.
    void sendingFromBestResultsGivesTheMainWindowBack() {
        GameFixture game;
        MainWindow &w = game.start();
        QVERIFY(game.trigger("MnZobrazitNv"));
        REQUIRE_WINDOW(best, BestResultsWindow);
        best->findChild<QPushButton *>("Command1")->click();
        QVERIFY(!best->isVisible());
        REQUIRE_WINDOW(send, SendWindow);
        QVERIFY(w.isEnabled());
        QVERIFY(running(game));
        send->close();
        QVERIFY(w.isEnabled());
        QVERIFY(running(game));
    }

    // The rules stand on lines of their own (a CR would be drawn as a gap) and, in
    // the wider font that stands in for the designed one, all of them show.
    void rulesShowWhole() {
        const QString text = howToPlayText(QStringLiteral("hra@priklad.cz"));
        QCOMPARE(text.split(QStringLiteral("\r\n")).size(), 5);
        QVERIFY(text.endsWith(QStringLiteral("pomocí e-mailu hra@priklad.cz")));
        // Regression: the rules said the blocks move from left to right.
        QVERIFY(text.contains(QStringLiteral("pohybují zprava doleva kostičky")));
        GameFixture game;
        game.start();
        QVERIFY(game.trigger("MnJakHrat"));
        REQUIRE_WINDOW(help, HowToPlayWindow);
        auto *rules = help->findChild<QLabel *>(QStringLiteral("Label2"));
        QVERIFY(rules);
        QCOMPARE(rules->text(),
                 howToPlayText(QString::fromUtf8(BuildConfig::kContact)).replace(u'\r', QString()));
        QVERIFY(rules->heightForWidth(rules->width()) <= rules->height());
        QVERIFY(rules->font().pixelSize() >= 9);
    }

    // The cases that differ in outcome; the about window reads the registry only
    // on Windows, so this fake is its one test here.
    void readsARegistryValue_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<quint32>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("value");
        const QString old = QStringLiteral("as passed");
        QTest::newRow("text") << kMsInfoKey << Registry::kText << QByteArray("C:\\m.exe\0", 9)
                              << true << u"C:\\m.exe"_qs;
        QTest::newRow("number") << kMsInfoKey << Registry::kNumber
                                << QByteArray("\xFE\xFF\xFF\xFF", 4) << true << u"-2"_qs;
        QTest::newRow("key missing")
            << kLocationKey << Registry::kText << QByteArray("x") << false << u""_qs;
        QTest::newRow("value missing")
            << kMsInfoKey << Registry::kText << QByteArray() << false << u""_qs;
        QTest::newRow("other type") << kMsInfoKey << quint32(3) << QByteArray("\1") << true << old;
        QTest::newRow("too long") << kMsInfoKey << Registry::kText << QByteArray(1025, 'x') << false
                                  << u""_qs;
    }

    void readsARegistryValue() {
        QFETCH(QString, key);
        QFETCH(quint32, type);
        QFETCH(QByteArray, data);
        FakeRegistry registry;
        registry.keys[kMsInfoKey][QStringLiteral("PATH")] = {type, data};
        QString value = QStringLiteral("as passed");
        QTEST(readRegistryValue(registry, Registry::Root::LocalMachine, key, QStringLiteral("PATH"),
                                value),
              "found");
        QTEST(value, "value");
        QCOMPARE(registry.open, 0); // every key opened is closed again
    }

    void startsTheSystemInformationProgram_data() {
        QTest::addColumn<QString>("path");   // the PATH entry; "-" for none
        QTest::addColumn<QString>("folder"); // the MSINFO entry; "-" for none
        QTest::addColumn<bool>("launchWorks");
        QTest::addColumn<QString>("launched");
        QTest::newRow("program registered")
            << u"C:\\p.exe"_qs << u"C:\\F"_qs << true << u"C:\\p.exe"_qs;
        QTest::newRow("registered program fails")
            << u"C:\\p.exe"_qs << u"C:\\F"_qs << false << u"C:\\p.exe"_qs;
        QTest::newRow("registered path empty") << u""_qs << u"C:\\F"_qs << true << u""_qs;
        QTest::newRow("program in the folder")
            << u"-"_qs << u"C:\\F"_qs << true << u"C:\\F\\MSINFO32.EXE"_qs;
        QTest::newRow("neither entry") << u"-"_qs << u"-"_qs << true << u""_qs;
    }

    void startsTheSystemInformationProgram() {
        QFETCH(QString, path);
        QFETCH(QString, folder);
        QFETCH(bool, launchWorks);
        QFETCH(QString, launched);
        FakeRegistry registry;
        if (path != u'-')
            registry.keys[kMsInfoKey][QStringLiteral("PATH")] = {Registry::kText,
                                                                 path.toLatin1() + '\0'};
        if (folder != u'-')
            registry.keys[kLocationKey][QStringLiteral("MSINFO")] = {Registry::kText,
                                                                     folder.toLatin1() + '\0'};
        QStringList started;
        GameFixture game;
        MainWindow &w = game.start();
        game.asked.clear();
        QVERIFY(game.trigger("MnOAplikaci"));
        REQUIRE_WINDOW(about, AboutWindow);
        about->setSysInfoPlatform(
            {&registry, [](const QString &file) { return file.endsWith(u"MSINFO32.EXE"); },
             [&](const QString &program) { return started << program, launchWorks; }});
        about->findChild<QPushButton *>(QStringLiteral("cmdSysInfo"))->click();
        QCOMPARE(started, launched.isEmpty() ? QStringList() : QStringList{launched});
        const bool told = launched.isEmpty() || !launchWorks;
        QCOMPARE(game.asked.size(), int(told));
        if (told)
            QCOMPARE(game.asked[0].text,
                     QStringLiteral("System Information Is Unavailable At This Time"));
        QVERIFY(about->isVisible());
        QVERIFY(!w.isEnabled());
        about->findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
        QVERIFY(w.isEnabled());
    }
};

TOQUEL_TEST_MAIN(TestGame)
#include "tst_game.moc"
