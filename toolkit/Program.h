// The life of the program as a whole: letting pending events run and ending it.
#pragma once

#include <functional>

class QApplication;
class QTranslator;

namespace Program {

// Processes every event already queued (repaints, presses, due timers), then returns.
void letEventsRun();

// Ends the program at once: every window disappears, no handler of ours runs
// afterwards (timers stay silent, close handlers are skipped) and every event
// loop, nested ones included, is asked to return. Nothing is saved.
void end();

// True once end() was called.
bool isEnding();

// A host that runs the game inside a loop of its own (a test) replaces the
// final step, leaving the event loops, by `hook`; an empty function restores
// the real one. Either way a new life of the program begins: not ending.
void setQuitHook(std::function<void()> hook);

// Loads Qt's own Czech texts, so standard buttons read "Ano", "Ne" and the
// text boxes' context menus are Czech. The translation is the application's
// child; deleting it (where it loaded) takes the texts away again.
QTranslator *installCzechTranslation(QApplication &app);

} // namespace Program
