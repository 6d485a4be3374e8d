// The main window: the playing field, the state of one game and the menu.
#pragma once

#include "game/ColourDraw.h"
#include "game/Field.h"
#include "game/LabelPair.h"
#include "game/Scoring.h"
#include "scores/ScoreBook.h"
#include "shell/GameTimer.h"

#include <QMainWindow>
#include <functional>
#include <optional>

class FieldView;
class QAction;

class HraciPoleFrm : public QMainWindow {
    Q_OBJECT
public:
    HraciPoleFrm();
    ~HraciPoleFrm() override;

    // The one main window of the run, or nullptr before it exists.
    static HraciPoleFrm *instance();

    // A new game: the field, the score, the level, the best result and the clocks.
    void Form_Load();

    // Lets the game run, unless it is over or paused.
    void Aktivuj();
    // Holds the game: launch squares and both clocks off.
    void Zamkni();

    // The best results: loaded from the store (telling the player when they were
    // damaged) and saved (telling the player when that failed).
    void NactiSkore();
    void UlozSkore();
    // Changes the table and saves it in one step no other running copy of the
    // game can come between (reloading it first when asked), then tells the
    // player what went wrong, if anything.
    void changeScores(const std::function<void(TabulkaSkore &)> &change, bool reloadFirst);
    ScoreBook &scores() { return m_scores; }
    // A window opened from the menu has closed, however it closed: this window
    // takes input again and the game resumes unless it is paused or over.
    void menuWindowClosed();
    // The send window, from the best-results window (the main window stays as it is).
    void openSendWindow();
    TabulkaSkore &table() { return m_scores.table(); }

    qint16 Skore() const { return m_skore; }
    qint16 HraniceUrovne() const { return m_hraniceUrovne; }
    bool KonecHry() const { return m_konecHry; }

    const Field &field() const { return m_field; }
    Field &field() { return m_field; }
    FieldView *view() const { return m_view; }
    GameTimer &timer1() { return m_timer1; }
    GameTimer &timer2() { return m_timer2; }
    QString scoreCaption() const { return m_label2.caption(); }
    QString levelCaption() const { return m_label4.caption(); }
    QString bestCaption() const { return m_label6.caption(); }

    // Where each new game's colour sequence comes from; the clock unless a test fixes it.
    static void setSeedSource(std::function<quint32()> source);

    // The handlers, public so the toolkit and the tests can raise them.
    void Timer1_Timer();
    void Timer2_Timer();
    void HIm_MouseDown(int index, int button, int shift, float x, float y);
    void Form_Resize();
    void Form_Unload(qint16 &Cancel);

    void setVisible(bool visible) override;
    void MnNovahra_Click();
    void MnPauza_Click();
    void MnKonec_Click();
    void MnZobrazitNv_Click();
    void MnOdeslatNv_Click();
    void MnWebNv_Click();
    void MnJakHrat_Click();
    void MnOAplikaci_Click();

signals:
    // The table was loaded or saved: windows that show it show it again.
    void tableChanged();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildMenu();
    void VymažČtverce();
    void ZakresliČtverce();
    void setLaunchSquaresEnabled(bool enabled);
    void raiseLevel();
    void reportDamage();
    void reportSaveFailure();
    void UkonciHru();
    // Disables this window and holds the game while a window opened from the menu is up.
    template <class F> void openFromMenu();

    Field m_field;
    FieldView *m_view = nullptr;
    LabelPair m_label2; // score
    LabelPair m_label4; // level
    LabelPair m_label6; // best result
    GameTimer m_timer1; // row clock
    GameTimer m_timer2; // column clock
    ColourDraw m_draw;
    ScoreBook m_scores;

    qint16 m_skore = 0;
    qint16 m_hraniceUrovne = Scoring::kFirstThreshold;
    bool m_konecHry = false;
    bool m_rowShiftRunning = false;
    bool m_shownOnce = false;
    bool m_saveFailureReported = false;

    QAction *m_mnNovahra = nullptr;
    QAction *m_mnPauza = nullptr;
    QAction *m_mnKonec = nullptr;
    QAction *m_mnZobrazitNv = nullptr;
    QAction *m_mnOdeslatNv = nullptr;
    QAction *m_mnWebNv = nullptr;
    QAction *m_mnJakHrat = nullptr;
    QAction *m_mnOAplikaci = nullptr;
};
