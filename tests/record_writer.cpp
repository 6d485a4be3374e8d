// A second copy of the game as far as the score table goes: enters one record the way the
// record window does, holding the table a while so that two copies started together overlap.
//   record_writer NAME SCORE HOLD_MS
#include "scores/ScoreBook.h"

#include <QCoreApplication>
#include <QThread>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4)
        return 2;
    ScoreBook book;
    const auto record = [&](ScoreTable &table) {
        table.insert(app.arguments()[1], qint16(app.arguments()[2].toInt()));
        QThread::msleep(app.arguments()[3].toULong());
    };
    book.update(record, true);
    return book.lastSaveFailed() ? 1 : 0;
}
