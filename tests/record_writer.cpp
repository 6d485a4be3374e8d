// A second copy of the game as far as the score table goes: enters one record the way the
// record window does, holding the table a while so that two copies started together overlap.
//   record_writer NAME SCORE HOLD_MS
#include "scores/ScoreBook.h"

#include <QCoreApplication>
#include <QThread>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    ScoreBook book;
    const auto record = [&](ScoreTable &table) {
        table.insert(args[1], qint16(args[2].toInt()));
        QThread::msleep(args[3].toULong());
    };
    book.update(record, true);
    return book.lastSaveFailed() ? 1 : 0;
}
