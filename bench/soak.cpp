// Long play: drives the real main window offscreen through a long game at the
// fastest pace (row ticks, sends of the right colour as they come, sinks) with
// a fixed seed, and reports the time per row tick and the memory at the start
// and at the end, which must not grow.
//   bench_soak [ROW_TICKS]        (default 300000)
// A short run (`bench_soak 3000`) is a test in the sanitizer build, where
// LeakSanitizer checks that nothing of ours is left behind at exit.
#include "HandClock.h"
#include "app/MainWindow.h"
#include "toolkit/Form.h"
#include "toolkit/MessageBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// Resident memory in KiB, from the kernel's own account.
long residentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// A player who never misses: every block standing above its own column goes
// down, unless the column is full. Returns how many went down.
int playRightColours(MainWindow &window) {
    int sent = 0;
    for (int column = 0; column < Field::kColumns; ++column) {
        const int square = Field::kLaunchSquares[column];
        if (window.game().field().top(square) != Square(column))
            continue;
        window.game().sendBlockFrom(square);
        sent += window.game().field().top(square) == Colour::Empty;
    }
    return sent;
}

// A column can still run dry; then the next game begins, as the player would.
void startOverIfEnded(MainWindow &window, int &games) {
    if (!window.game().isOver())
        return;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<Form *>(w))
            delete w;
    window.show();
    window.newGame();
    ++games;
}

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", settings.path().toUtf8());
    QApplication app(argc, argv);
    const long ticks = argc > 1 ? std::atol(argv[1]) : 300000;

    MessageBox::setAnswerer([](const MessageBox::Request &) { return MessageBox::Answer::Ok; });
    // The game runs and takes presses, but only the loop below ticks it.
    HandClock *rowClock, *columnClock;
    MainWindow::Setup setup = MainWindow::Setup::fromBuild();
    setup.seed = [] { return 46u; };
    setup.clocks = HandClock::pair(rowClock, columnClock);
    MainWindow window(std::move(setup));
    window.newGame();
    window.show();

    int games = 1;
    long sends = 0;
    const auto play = [&](long count, qint64 &nanoseconds) {
        QElapsedTimer clock;
        for (long t = 0; t < count; ++t) {
            clock.restart();
            rowClock->tick();
            nanoseconds += clock.nsecsElapsed();
            sends += playRightColours(window);
            if (t % 10 == 9)
                columnClock->tick();
            startOverIfEnded(window, games);
            QCoreApplication::processEvents();
        }
    };

    qint64 warmupNs = 0, runNs = 0;
    const long warmup = std::min(ticks / 10, 5000L);
    play(warmup, warmupNs);
    const long startKiB = residentKiB();
    play(ticks, runNs);
    const long endKiB = residentKiB();

    std::printf("row ticks %ld, games %d, blocks sent %ld, final score %d\n", ticks, games, sends,
                window.game().score());
    std::printf("mean row tick %.1f µs\n", double(runNs) / double(ticks) / 1000.0);
    std::printf("resident memory after warm-up %ld KiB, at the end %ld KiB (%+ld KiB)\n", startKiB,
                endKiB, endKiB - startKiB);
    return 0;
}
