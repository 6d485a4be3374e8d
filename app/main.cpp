// Toquel: the program starts into the playing field and ends from its menu.
#include "app/MainWindow.h"
#include "toolkit/Artwork.h"
#include "toolkit/Form.h"
#include "toolkit/Program.h"

#include <QApplication>
#include <QIcon>
#include <QScreen>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    // The field's background takes a few milliseconds to read: on a second
    // core while the window is built and shown, not in its first paint.
    Artwork::preload(QStringLiteral(":/assets/background.png"),
                     QGuiApplication::primaryScreen()->devicePixelRatio());
    QApplication::setOrganizationName(QStringLiteral("Toquel"));
    QApplication::setApplicationName(QStringLiteral("Toquel"));
    QGuiApplication::setDesktopFileName(QStringLiteral(TOQUEL_APP_ID));
    // Every window's icon. A ready PNG: reading the SVG would load an image
    // plugin before the window can show, a visible part of the start-up time.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/assets/icon-48.png")));
    Program::installCzechTranslation(app);

    MainWindow window;
    window.newGame();
    window.show();
    const int code = QApplication::exec();

    // Windows still open when the program ended go without their close handlers.
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<Form *>(w))
            delete w;
    return code;
}
