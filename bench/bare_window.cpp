// A bare Qt Widgets main window titled "Bare", with a menu bar and a client
// area the size of the game's field: the yardstick for the game's start-up.
// bench/startup.sh starts it the same way as the game; run by hand:
//   build/default/bench/bare_window
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare"));
    for (const char *menu : {"Hra", "Nejlepší výsledky", "Nápověda"})
        window.menuBar()->addMenu(QString::fromUtf8(menu))->addAction(QStringLiteral("…"));
    auto *client = new QWidget(&window);
    client->setFixedSize(500, 350);
    window.setCentralWidget(client);
    window.show();
    return QApplication::exec();
}
