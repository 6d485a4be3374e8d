// A fresh main window for each test, with scripted answers to its message boxes.
#pragma once

#include "FieldEdits.h"
#include "HandClock.h"
#include "TestMain.h"
#include "app/MainWindow.h"
#include "rules/scores/StoredTable.h"
#include "toolkit/Form.h"
#include "toolkit/MessageBox.h"
#include "toolkit/Program.h"
#include "windows/FieldView.h"

#include <QAction>
#include <QSettings>
#include <memory>

// The open, visible window of type W, or a failed test that returns rather than crash.
#define REQUIRE_WINDOW(variable, W)                                                                \
    W *variable = GameFixture::find<W>();                                                          \
    QVERIFY2(variable, #W " is not open")

class GameFixture {
public:
    using Answer = MessageBox::Answer;

    // Answers still to give, in order; a box with none left is answered No (or OK).
    QList<Answer> answers;
    // Runs while a box is "open", before it is answered.
    std::function<void(const MessageBox::Request &)> whileAsking;
    QList<MessageBox::Request> asked;
    int quits = 0;
    // The game's clocks tick only when a test ticks them.
    HandClock *rowClock = nullptr, *columnClock = nullptr;
    std::unique_ptr<MainWindow> window;

    explicit GameFixture(SendWindow::ScoreBoard board = MainWindow::Setup::fromBuild().scoreBoard) {
        quietOffscreenWarnings();
        Program::setQuitHook([this] { ++quits; });
        MessageBox::setAnswerer([this](const MessageBox::Request &request) {
            asked << request;
            if (whileAsking)
                whileAsking(request);
            if (!answers.isEmpty())
                return answers.takeFirst();
            return request.buttons == MessageBox::Buttons::YesNo ? Answer::No : Answer::Ok;
        });
        MainWindow::Setup setup = MainWindow::Setup::fromBuild();
        setup.scoreBoard = board;
        setup.seed = [] { return 20261206u; };
        setup.clocks = HandClock::pair(rowClock, columnClock);
        window = std::make_unique<MainWindow>(std::move(setup));
    }

    ~GameFixture() {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<Form *>(w))
                delete w;
        window.reset();
        MessageBox::setAnswerer({});
        Program::setQuitHook({});
    }

    // Starts the game as main() does.
    MainWindow &start() {
        window->newGame();
        window->show();
        return *window;
    }

    template <class W> static W *find() {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *found = qobject_cast<W *>(w); found && found->isVisible())
                return found;
        return nullptr;
    }

    static void storeTable(const ScoreTable &table) {
        QSettings(u"Toquel"_qs, u"Toquel"_qs)
            .setValue(u"Skore/HiSkore"_qs, StoredTable::encode(table));
    }
    static void forgetStoredTable() { QSettings(u"Toquel"_qs, u"Toquel"_qs).clear(); }

    // The control of type T in `parent` that reads `text` (a menu command, a button), or null.
    template <class T> static T *withText(const QObject *parent, const QString &text) {
        for (T *control : parent->findChildren<T *>())
            if (control->text() == text)
                return control;
        return nullptr;
    }
    QAction *action(const QString &text) const { return withText<QAction>(window.get(), text); }
    // Runs a menu command; false when the window has no such command.
    [[nodiscard]] bool trigger(const QString &text) const {
        QAction *command = action(text);
        return command && (command->trigger(), true);
    }

    Game &game() const { return window->game(); }

    // Column `column` holds `blocks` blocks of its colour; `colour` stands on its launch square.
    void prepare(int column, int blocks, Square colour) const {
        Field field = game().field();
        stack(field, column, blocks);
        field.setTop(Field::kLaunchSquares[column], colour);
        game().setField(field);
    }

    // Scores `score` points (a block onto nine blocks scores 9; one more makes up the rest),
    // then ends the game with a block of the wrong colour.
    void playToTheEnd(int score) const {
        for (int rest = score; rest > 0; rest -= 9) {
            prepare(0, qMin(rest, 9), Colour::Blue);
            press(Field::kLaunchSquares[0]);
        }
        prepare(0, 5, Colour::Red);
        press(Field::kLaunchSquares[0]);
    }

    // Presses a mouse button on top-row square i, as the player would.
    void press(int i, Qt::MouseButton button = Qt::LeftButton) const {
        QTest::mousePress(window->fieldView(), button, {}, FieldView::topSquareRect(i).center());
    }
};
