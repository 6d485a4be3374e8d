// The timer rules the two game clocks rely on.
#include "TestMain.h"
#include "shell/GameTimer.h"

#include <QSignalSpy>

class TestGameTimer : public QObject {
    Q_OBJECT
private slots:
    void ticksOncePerIntervalWhileEnabled();
    void intervalZeroNeverTicks();
    void enablingAnEnabledTimerKeepsItsPeriod();
    void newIntervalStartsAFullPeriod();
    void freshEnableStartsAFullPeriod();
    void disabledTimerKeepsItsIntervalSilently();
};

// Periods are checked through the time remaining, not by racing a clock.
static int remaining(const GameTimer &t) {
    return t.remainingTime();
}

void TestGameTimer::ticksOncePerIntervalWhileEnabled() {
    GameTimer timer;
    QSignalSpy ticks(&timer, &GameTimer::timeout);
    timer.setInterval(5);
    timer.setEnabled(true);
    QVERIFY(ticks.wait(1000));
    timer.setEnabled(false);
    const int count = ticks.count();
    QTest::qWait(30);
    QCOMPARE(ticks.count(), count);
}

void TestGameTimer::intervalZeroNeverTicks() {
    GameTimer timer;
    QSignalSpy ticks(&timer, &GameTimer::timeout);
    timer.setInterval(0);
    timer.setEnabled(true);
    QVERIFY(timer.isEnabled());
    QVERIFY(!timer.isTicking());
    QCoreApplication::processEvents();
    QTest::qWait(20);
    QCOMPARE(ticks.count(), 0);
}

void TestGameTimer::enablingAnEnabledTimerKeepsItsPeriod() {
    GameTimer timer;
    timer.setInterval(100000);
    timer.setEnabled(true);
    QTest::qWait(50);
    const int before = remaining(timer);
    timer.setEnabled(true);
    QVERIFY(remaining(timer) <= before);
    QVERIFY(remaining(timer) < 100000 - 40);
}

void TestGameTimer::newIntervalStartsAFullPeriod() {
    GameTimer timer;
    timer.setInterval(100000);
    timer.setEnabled(true);
    QTest::qWait(50);
    timer.setInterval(90000);
    QVERIFY(remaining(timer) > 90000 - 20);
}

void TestGameTimer::freshEnableStartsAFullPeriod() {
    GameTimer timer;
    timer.setInterval(100000);
    timer.setEnabled(true);
    QTest::qWait(50);
    timer.setEnabled(false);
    timer.setEnabled(true);
    QVERIFY(remaining(timer) > 100000 - 20);
}

void TestGameTimer::disabledTimerKeepsItsIntervalSilently() {
    GameTimer timer;
    timer.setInterval(5);
    QCOMPARE(timer.interval(), 5);
    QVERIFY(!timer.isTicking());
    timer.setEnabled(true);
    QVERIFY(timer.isTicking());
}

TOQUEL_TEST_MAIN(TestGameTimer)
#include "tst_gametimer.moc"
