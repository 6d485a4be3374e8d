// A second copy of the game, as far as the score table goes: enters one record
// the way the record window does, holding the table a while in the middle so
// that two copies started together really overlap.
//   record_writer NAME SCORE HOLD_MS
#include "scores/ScoreBook.h"

#include <QCoreApplication>
#include <QThread>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    const QString name = args[1];
    const qint16 score = qint16(args[2].toInt());
    const int holdMs = args[3].toInt();
    ScoreBook book;
    book.update(
        [&](ScoreTable &table) {
            table.insert(name, score);
            QThread::msleep(holdMs);
        },
        true);
    return book.lastSaveFailed() ? 1 : 0;
}
