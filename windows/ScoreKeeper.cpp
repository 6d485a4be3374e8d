#include "windows/ScoreKeeper.h"

#include "toolkit/MessageBox.h"

ScoreKeeper::ScoreKeeper(QWidget *messagesOver) : m_messagesOver(messagesOver) {}

void ScoreKeeper::load() {
    if (m_book.load() == ScoreBook::Load::Damaged)
        reportDamage();
    reportSaveFailure();
    emit tableChanged();
}

void ScoreKeeper::change(const ScoreBook::Change &change, bool reloadFirst) {
    // A damaged table is reported before the change, as the player expects
    // (first the loss, then the new result alone in the table), and before
    // the lock is taken, so no other copy of the game waits on the message.
    // Damage that another copy causes in between is reported after.
    const bool toldFirst = reloadFirst && m_book.storedTableDamaged();
    if (toldFirst)
        reportDamage();
    if (m_book.update(change, reloadFirst) == ScoreBook::Load::Damaged && !toldFirst)
        reportDamage();
    reportSaveFailure();
    emit tableChanged();
}

void ScoreKeeper::reportDamage() {
    MessageBox::inform(m_messagesOver,
                       QStringLiteral("Uložené nejlepší výsledky byly poškozeny nebo smazány.\n"
                                      "Je mi líto, ale musíte jich znovu dosáhnout."),
                       QStringLiteral("Poškození výsledků"));
}

void ScoreKeeper::reportSaveFailure() {
    // Once per run of failures: a player who keeps scoring on a read-only disk
    // hears it the first time, and again only after saving worked in between.
    if (!m_book.lastSaveFailed()) {
        m_saveFailureReported = false;
        return;
    }
    if (m_saveFailureReported)
        return;
    m_saveFailureReported = true;
    MessageBox::inform(m_messagesOver,
                       QStringLiteral("Nejlepší výsledky se nepodařilo uložit.\n"
                                      "Hrát můžete dál, výsledky si hra pamatuje do svého "
                                      "ukončení."),
                       QStringLiteral("Výsledky nelze uložit"));
}
