// The rules of the game without a window: the field, the numbers, the clock, one game's
// course from start to end, and the registry reader.
#include "FieldEdits.h"
#include "HandClock.h"
#include "TestMain.h"
#include "rules/game/GameTimer.h"
#include "toolkit/Registry.h"

#include <QSignalSpy>

namespace {
// A game with a pump that runs `between(copy)` between the copies of the row shift, and
// clocks that tick by hand.
struct GameUnderTest {
    std::function<bool(int)> between;
    int copy = 0;
    HandClock *rowClock, *columnClock;
    Game game{[this] { return between ? between(copy++ % (Field::kTopSquares - 1)) : true; },
              HandClock::pair(rowClock, columnClock)};

    GameUnderTest() {
        game.reset(20261206u);
        game.start();
    }
    // Changes squares of the field, as `edit` does to a copy of it.
    void change(const std::function<void(Field &)> &edit) {
        Field field = game.field();
        edit(field);
        game.setField(field);
    }
};
} // namespace

class TestRules : public QObject {
    Q_OBJECT
private slots:

    // Worked out by hand as floor(previous x 0.9): level 2 cuts 607.5 to 607, and at level 47
    // the row clock stops (level 1 is in the scoring test; the column clock stops at 72).
    void intervalsFollowTheLevelTable() {
        int row = Scoring::kRowInterval, column = Scoring::kColumnInterval;
        for (int level = 1; level <= 47; ++level) {
            row = Scoring::nextInterval(row);
            column = Scoring::nextInterval(column);
            if (level == 2)
                QCOMPARE(std::pair(row, column), std::pair(607, 8100));
        }
        QCOMPARE(std::pair(row, column), std::pair(0, 66));
    }

    // Leading zeros are in the game suite, as the field shows them.
    void levelPastNinetyNineShowsAllItsDigits() {
        QCOMPARE(Scoring::formatLevel(100), QStringLiteral("100"));
    }

    // Periods are read off the time remaining, far longer than any wait: no check races the clock.
    void timerRules() {
        GameTimer timer;
        QSignalSpy ticks(&timer, &GameTimer::timeout);
        timer.setInterval(0);
        timer.setEnabled(true);
        QCoreApplication::processEvents(); // a bare QTimer would fire without pause
        QCOMPARE(ticks.count(), 0);

        timer.setInterval(1000000);
        QTest::qWait(100);
        timer.setEnabled(true); // already enabled: the period runs on
        QVERIFY(timer.remainingTime() <= 1000000 - 100);
        timer.setInterval(900000); // a new interval starts a full period
        QVERIFY(timer.remainingTime() > 900000 - 1000);
        QTest::qWait(100);
        timer.setEnabled(false);
        QVERIFY(!timer.isTicking());
        timer.setEnabled(true); // so does a fresh enable
        QVERIFY(timer.remainingTime() > 900000 - 1000);

        timer.setInterval(1);
        QVERIFY(ticks.wait(5000));
    }

    // A block scores the blocks it lands on (none at the bottom of an empty column), and
    // nothing while the game is held; none goes down onto a full column or from an empty launch
    // square. 22 onto nine and one onto two make 200 points, not yet more than the threshold;
    // the next is.
    void rightBlockScoresAndRaisesTheLevel() {
        GameUnderTest t;
        QSignalSpy levels(&t.game, &Game::levelChanged);
        const int launch = Field::kLaunchSquares[4];
        const auto sendWhite = [&](int blocksBelow, Square colour = Colour::White) {
            t.change([&](Field &field) { stack(field, 4, blocksBelow); });
            t.change([&](Field &field) { field.setTop(launch, colour); });
            t.game.sendBlockFrom(launch);
            return t.game.field().top(launch); // what is left on the launch square
        };
        t.game.hold();
        sendWhite(9);
        QCOMPARE(t.game.score(), 0);
        t.game.resume();
        QCOMPARE(sendWhite(10), Colour::White);
        sendWhite(9, Colour::Empty);
        QCOMPARE(sendWhite(0), Colour::Empty);
        QCOMPARE(t.game.field().cell(4, Field::kBottomRow), Colour::White);
        for (int i = 0; i < 22; ++i)
            sendWhite(9);
        sendWhite(2);
        QCOMPARE(t.game.score(), 200);
        QCOMPARE(levels.count(), 0);
        sendWhite(1);
        QCOMPARE(t.game.level(), 1);
        QCOMPARE(t.game.threshold(), 400);
        QCOMPARE(t.game.rowClock().interval(), 675);
        QCOMPARE(t.game.columnClock().interval(), 9000);
    }

    // A block of the wrong colour ends the game in the shift's test and in the game suite.
    void endsOnceWhenAColumnRunsDry() {
        GameUnderTest t;
        QSignalSpy ended(&t.game, &Game::ended);
        t.change([](Field &field) {
            stack(field, 3, 1);
            field.setCell(1, 7, Colour::Red);  // a wrong block lying on the green stack
            field.setCell(4, 1, Colour::Blue); // the entry zone is left alone
        });
        t.columnClock->tick(); // every column sinks; the red column's last block goes
        QCOMPARE(ended.count(), 0);
        QCOMPARE(t.game.field().cell(1, 8), Colour::Red);
        QCOMPARE(t.game.field().cell(4, 1), Colour::Blue);
        t.columnClock->tick(); // the red column is dry: the game ends and nothing sinks
        QCOMPARE(ended.count(), 1);
        QCOMPARE(t.game.state(), Game::State::Ended);
        QCOMPARE(t.game.field().cell(1, 8), Colour::Red);
    }

    // What runs between the copies of the row shift: a second tick never nests in
    // it (a regression), an end lets it complete, a program end stops it there.
    void eventsDuringTheShift_data() {
        QTest::addColumn<char>("event");
        QTest::addColumn<Game::State>("state");
        QTest::addColumn<bool>("completed");
        QTest::newRow("ticks and a resume") << 't' << Game::State::Running << true;
        QTest::newRow("a wrong block ends the game") << 'e' << Game::State::Ended << true;
        QTest::newRow("the program ends") << 'x' << Game::State::Held << false;
    }

    void eventsDuringTheShift() {
        QFETCH(char, event);
        GameUnderTest t;
        // The wrong colour for blue, on the blue column's launch square.
        t.change([](Field &field) { field.setTop(Field::kLaunchSquares[0], Colour::White); });
        t.between = [&](int copy) {
            if (copy != 3)
                return true;
            if (event == 't')
                t.rowClock->tick(), t.game.resume(), t.columnClock->tick();
            else if (event == 'e')
                t.game.sendBlockFrom(Field::kLaunchSquares[0]);
            else
                t.game.stop();
            return event != 'x';
        };
        QVERIFY(t.rowClock->tick());
        QTEST(t.game.state(), "state");
        QFETCH(bool, completed);
        // Completed, the shift moved the first block to square 21 and drew one more.
        QCOMPARE(t.game.field().top(21) != Colour::Empty, completed);
        QCOMPARE(blocksOnTopRow(t.game.field()), completed ? 2 + int(event == 't') : 2);
        t.game.resume();
        QCOMPARE(t.game.rowClock().isEnabled(), event == 't');
    }

    // "System Info..." finds its program in the registry, which only Windows has: text there
    // ends with a NUL that is no part of the path, a number is signed (0xFFFFFFFE reads "-2"),
    // and the key opened to read either is closed again.
    void registryValuesAndTheirKeyClosed() {
        struct PathAndNumber : Registry {
            int openKeys = 0;
            bool openKey(Root, const QString &, Key &key) override { return key = 1, ++openKeys; }
            bool queryValue(Key, const QString &name, quint32 &type, QByteArray &buffer,
                            quint32 &size) override {
                const bool text = name == u"PATH"_qs;
                const QByteArray data =
                    text ? QByteArray("C:\\msinfo32.exe", 16) : "\xFE\xFF\xFF\xFF";
                type = text ? kText : kNumber;
                size = quint32(data.size());
                buffer.replace(0, data.size(), data);
                return true;
            }
            void closeKey(Key) override { --openKeys; }
        } registry;
        QString path, number;
        const auto root = Registry::Root::LocalMachine;
        QVERIFY(readRegistryValue(registry, root, u"MSINFO"_qs, u"PATH"_qs, path));
        QVERIFY(readRegistryValue(registry, root, u"MSINFO"_qs, u"N"_qs, number));
        QCOMPARE(path, u"C:\\msinfo32.exe"_qs);
        QCOMPARE(number, u"-2"_qs);
        QCOMPARE(registry.openKeys, 0);
    }
};

TOQUEL_TEST_MAIN(TestRules)
#include "tst_rules.moc"
