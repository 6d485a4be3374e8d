// What the game needs of a clock: an interval, on and off, and its ticks.
#pragma once

#include <QObject>

// GameTimer is the real clock. A benchmark or a test drives one by hand instead,
// so that each tick happens exactly where it wants one.
class GameClock : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual int interval() const = 0;
    virtual void setInterval(int milliseconds) = 0;
    virtual bool isEnabled() const = 0;
    virtual void setEnabled(bool enabled) = 0;

signals:
    void timeout();
};
