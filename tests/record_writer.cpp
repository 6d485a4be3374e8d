// A second copy of the game as far as the score table goes: enters one result the way the
// record window does and holds the table a while, saying "holding" when it has it, so that
// a copy started then has to wait for it.
//   record_writer NAME SCORE HOLD_MS
#include "rules/scores/ScoreBook.h"

#include <QCoreApplication>
#include <QThread>
#include <cstdio>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4)
        return 2;
    const QStringList args = app.arguments();
    const ScoreBook::Change enter = ScoreBook::entering(args[1], qint16(args[2].toInt()));
    ScoreBook book;
    book.update(
        [&](ScoreTable &table) {
            enter(table);
            std::puts("holding");
            std::fflush(stdout);
            QThread::msleep(args[3].toULong());
        },
        true);
    return book.lastSaveFailed() ? 1 : 0;
}
