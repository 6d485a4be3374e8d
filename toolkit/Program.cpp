#include "toolkit/Program.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <QWidget>

namespace {
bool ending = false;
std::function<void()> quitHook;
} // namespace

void Program::letEventsRun() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void Program::end() {
    ending = true;
    // Hidden, not closed: closing would run the windows' unload handlers.
    for (QWidget *window : QApplication::topLevelWidgets())
        window->hide();
    if (quitHook)
        quitHook();
    else
        QCoreApplication::exit(0); // leaves nested loops too, and keeps new ones from starting
}

bool Program::isEnding() {
    return ending;
}

void Program::setQuitHook(std::function<void()> hook) {
    quitHook = std::move(hook);
    ending = false;
}

QTranslator *Program::installCzechTranslation(QApplication &app) {
    auto *translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Czech, QLocale::CzechRepublic), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
        return translator;
    }
    delete translator; // the game still works, with the toolkit's English button texts
    return nullptr;
}
