// A fresh main window for each test, with scripted answers to its message boxes.
#pragma once

#include "TestMain.h"
#include "game/FieldView.h"
#include "game/HraciPoleFrm.h"
#include "scores/StoredTable.h"
#include "shell/Form.h"
#include "shell/MessageBox.h"
#include "shell/Program.h"

#include <QAction>
#include <QApplication>
#include <QSettings>
#include <QTest>
#include <deque>
#include <memory>

class GameFixture {
public:
    using Answer = MessageBox::Answer;

    // Answers still to give, in order; a box with none left is answered No (or OK).
    std::deque<Answer> answers;
    // Runs while a box is "open", before it is answered.
    std::function<void(const MessageBox::Request &)> whileAsking;
    QList<MessageBox::Request> asked;
    int quits = 0;
    std::unique_ptr<HraciPoleFrm> window;

    GameFixture() {
        quietOffscreenWarnings();
        Program::resetForTests();
        Program::setQuitHook([this] { ++quits; });
        HraciPoleFrm::setSeedSource([] { return 20261206u; });
        MessageBox::setAnswerer([this](const MessageBox::Request &request) {
            asked << request;
            if (whileAsking)
                whileAsking(request);
            if (answers.empty())
                return request.buttons == MessageBox::Buttons::YesNo ? Answer::No : Answer::Ok;
            const Answer a = answers.front();
            answers.pop_front();
            return a;
        });
    }

    ~GameFixture() {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<Form *>(w))
                delete w;
        window.reset();
        MessageBox::setAnswerer({});
        Program::setQuitHook({});
        Program::resetForTests();
    }

    // Starts the program's main window as main() does.
    HraciPoleFrm &start() {
        window = std::make_unique<HraciPoleFrm>();
        window->Form_Load();
        window->show();
        return *window;
    }

    static void storeTable(const TabulkaSkore &table) {
        QSettings settings(QStringLiteral("Toquel"), QStringLiteral("Toquel"));
        settings.setValue(QStringLiteral("Skore/HiSkore"), StoredTable::encode(table));
        settings.sync();
    }

    static void forgetStoredTable() {
        QSettings settings(QStringLiteral("Toquel"), QStringLiteral("Toquel"));
        settings.clear();
        settings.sync();
    }

    QAction *action(const char *name) const {
        return window->findChild<QAction *>(QLatin1String(name));
    }

    // The number of blocks in the top row: each row-clock tick adds one until it is full.
    int blocksOnTopRow() const {
        int n = 0;
        for (int i = 0; i < Field::kTopSquares; ++i)
            n += window->field().top(i) != Colour::Empty;
        return n;
    }

    bool running() const {
        return window->timer1().isEnabled() && window->timer2().isEnabled() &&
               window->view()->isSquareEnabled(7) && window->view()->isSquareEnabled(15);
    }

    bool held() const {
        bool anyLaunch = false;
        for (int square : Field::kLaunchSquares)
            anyLaunch |= window->view()->isSquareEnabled(square);
        return !window->timer1().isEnabled() && !window->timer2().isEnabled() && !anyLaunch;
    }

    // Presses a mouse button on top-row square i, as the player would.
    void press(int i, Qt::MouseButton button = Qt::LeftButton) const {
        QTest::mousePress(window->view(), button, {}, FieldView::topSquareRect(i).center());
    }
};
