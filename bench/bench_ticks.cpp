// Times the main window's two clock ticks in the real, shown MainWindow.
//   bench_ticks [ROW_TICKS [COLUMN_TICKS]]      (defaults 3000 and 3000)
// Runs offscreen unless QT_QPA_PLATFORM says otherwise; under Xvfb,
//   QT_QPA_PLATFORM=xcb xvfb-run -a build/default/bench/bench_ticks
// includes the trip of every repaint to the X server. The settings live in a
// temporary folder and every message box is answered at once, so nothing of the
// player's is touched and nothing waits for a click.
#include "HandClock.h"
#include "app/MainWindow.h"
#include "toolkit/MessageBox.h"
#include "toolkit/Program.h"
#include "windows/FieldView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Counts the field's paint events, to show that the timed ticks really repaint.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

void report(const char *what, std::vector<qint64> nanoseconds) {
    std::sort(nanoseconds.begin(), nanoseconds.end());
    const auto at = [&](double q) {
        return double(nanoseconds[size_t(q * double(nanoseconds.size() - 1) + 0.5)]) / 1000.0;
    };
    std::printf("%-34s n=%-6zu median %8.1f  p10 %8.1f  p90 %8.1f  min %8.1f  max %8.1f  (µs)\n",
                what, nanoseconds.size(), at(0.5), at(0.1), at(0.9), at(0.0), at(1.0));
}

// Full columns: as many sinks as wanted, never one that runs a column dry.
void refillColumns(MainWindow &window) {
    Field field = window.game().field();
    for (int column = 0; column < Field::kColumns; ++column)
        for (int row = Field::kStackTopRow; row <= Field::kBottomRow; ++row)
            field.setCell(column, row, Square(column));
    window.game().setField(field); // repaints the whole field
    QCoreApplication::processEvents();
}

// Times `body` `samples` times, after a few untimed runs.
template <class F> std::vector<qint64> timed(int samples, F body) {
    std::vector<qint64> nanoseconds;
    nanoseconds.reserve(size_t(samples));
    QElapsedTimer clock;
    for (int i = -20; i < samples; ++i) {
        clock.start();
        body();
        const qint64 elapsed = clock.nsecsElapsed();
        if (i >= 0)
            nanoseconds.push_back(elapsed);
    }
    return nanoseconds;
}

// The parts of a row tick apart, and the same shift painted once at its end, to
// tell the event passes from the repaints.
void breakDownRowTick(MainWindow &window, int samples) {
    const int copies = Field::kTopSquares - 1;
    const QRect topRow =
        FieldView::topSquareRect(0).united(FieldView::topSquareRect(Field::kTopSquares - 1));
    Square colour = 0;
    const auto draw = [&colour] { return Square(colour++ % Colour::kCount); };
    Field field = window.game().field(); // shifted aside; the game's row is painted

    std::printf("where a row tick's time goes:\n");
    report("  22 event passes, nothing to do", timed(samples, [&] {
               for (int i = 0; i < copies; ++i)
                   Program::letEventsRun();
           }));
    report("  one paint of one square", timed(samples, [&] {
               window.fieldView()->update(FieldView::topSquareRect(11));
               QCoreApplication::processEvents();
           }));
    report("  one paint of the whole top row", timed(samples, [&] {
               window.fieldView()->update(topRow);
               QCoreApplication::processEvents();
           }));
    report("  shift + 22 passes, one row paint", timed(samples, [&] {
               field.shiftRow(
                   [](int) {
                       Program::letEventsRun();
                       return true;
                   },
                   draw);
               window.fieldView()->update(topRow);
               QCoreApplication::processEvents();
           }));
}

int count(char **argv, int argc, int i, int fallback) {
    const int n = i < argc ? QByteArray(argv[i]).toInt() : 0;
    return n > 0 ? n : fallback;
}

} // namespace

int main(int argc, char **argv) {
    // Before QApplication: Qt reads both when it starts.
    QTemporaryDir settingsHome;
    qputenv("XDG_CONFIG_HOME", settingsHome.path().toUtf8());
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", settingsHome.path().toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Toquel"));
    QApplication::setApplicationName(QStringLiteral("Toquel"));
    const int rowTicks = count(argv, argc, 1, 3000);
    const int columnTicks = count(argv, argc, 2, 3000);

    // The empty settings folder makes the game report damaged results at its start.
    MessageBox::setAnswerer([](const MessageBox::Request &request) {
        return request.buttons == MessageBox::Buttons::YesNo ? MessageBox::Answer::No
                                                             : MessageBox::Answer::Ok;
    });

    // Only the ticks below move the game.
    HandClock *rowClock, *columnClock;
    MainWindow::Setup setup = MainWindow::Setup::fromBuild();
    setup.seed = [] { return 20261206u; };
    setup.clocks = HandClock::pair(rowClock, columnClock);
    MainWindow window(std::move(setup));
    window.newGame();
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "bench_ticks: the window was never exposed, nothing would paint\n");
        return 1;
    }
    QCoreApplication::processEvents();

    PaintCounter counter;
    window.fieldView()->installEventFilter(&counter);
    QElapsedTimer clock;

    std::printf("platform %s, %d row ticks, %d column ticks\n",
                qPrintable(QGuiApplication::platformName()), rowTicks, columnTicks);
    // Other work on the machine shows in the figures; the load average says how much.
    QFile loadAverage(QStringLiteral("/proc/loadavg"));
    if (loadAverage.open(QIODevice::ReadOnly))
        std::printf("load average %s\n", loadAverage.readLine(64).trimmed().constData());

    // The first ticks fill the top row and the picture caches; they are not timed.
    for (int i = 0; i < 100; ++i) {
        rowClock->tick();
        QCoreApplication::processEvents();
    }
    std::vector<qint64> row;
    row.reserve(size_t(rowTicks));
    counter.paints = 0;
    for (int i = 0; i < rowTicks; ++i) {
        clock.start();
        rowClock->tick();
        QCoreApplication::processEvents(); // paints the square the tick filled last
        row.push_back(clock.nsecsElapsed());
    }
    const double rowPaints = double(counter.paints) / rowTicks;

    std::vector<qint64> columnCall;
    std::vector<qint64> column;
    columnCall.reserve(size_t(columnTicks));
    column.reserve(size_t(columnTicks));
    int columnPaints = 0;
    for (int i = 0; i < columnTicks + 100; ++i) {
        refillColumns(window);
        counter.paints = 0;
        clock.start();
        columnClock->tick();
        const qint64 call = clock.nsecsElapsed();
        QCoreApplication::processEvents(); // the sunk columns are painted here
        const qint64 total = clock.nsecsElapsed();
        if (i < 100)
            continue;
        columnPaints += counter.paints;
        columnCall.push_back(call);
        column.push_back(total);
    }
    if (window.game().isOver())
        std::fprintf(stderr, "bench_ticks: the game ended while timing; figures are off\n");

    report("row tick (the tick + paints)", row);
    report("column tick (the tick only)", columnCall);
    report("column tick (+ its paint)", column);
    std::printf("paint events per row tick %.2f, per column tick %.2f\n", rowPaints,
                double(columnPaints) / columnTicks);
    breakDownRowTick(window, rowTicks);
    MessageBox::setAnswerer({});
    return 0;
}
