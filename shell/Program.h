// The life of the program as a whole: letting pending events run and ending it.
#pragma once

#include <functional>

class QApplication;

namespace Program {

// Processes every event already queued (repaints, presses, due timers), then returns.
void letEventsRun();

// Ends the program at once: every window disappears, no handler of ours runs
// afterwards (timers stay silent, close handlers are skipped) and every event
// loop, nested ones included, is asked to return. Nothing is saved.
void end();

// True once end() was called.
bool isEnding();

// Tests replace the final step (leaving the event loops) by a hook of their own;
// an empty function restores the real one. resetForTests() clears the ending mark.
void setQuitHook(std::function<void()> hook);
void resetForTests();

// Loads Qt's own Czech texts, so standard buttons read "Ano", "Ne" and the
// text boxes' context menus are Czech.
void installCzechTranslation(QApplication &app);

} // namespace Program
