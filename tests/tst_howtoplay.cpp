// The how-to-play window: its text to the byte, how it shows it, and how it closes.
#include "GameFixture.h"
#include "TestMain.h"
#include "shell/BuildConfig.h"
#include "shell/JakHratFrm.h"
#include "shell/RulesText.h"

#include <QLabel>
#include <QPushButton>

namespace {

// The text as UTF-8 bytes, written out independently of the program's own source:
// C2 A0 is the no-break space, CR LF separates the paragraphs. A literal is split
// where the letter after an escape would be read as one more hex digit.
QByteArray expectedText(const QByteArray &contact) {
    return QByteArray(
               "Tato hra je na prvn\xC3\xAD pohled velmi prost\xC3\xA1 a "
               "p\xC5\x99itom se u n\xC3\xAD dok\xC3\xA1\xC5\xBE"
               "ete dob\xC5\x99"
               "e pobavit. Zvl\xC3\xA1\xC5\xA1t\xC4\x9B ti z v\xC3\xA1s, "
               "kte\xC5\x99\xC3\xAD v sob\xC4\x9B maj\xC3\xAD ducha sout\xC4\x9B\xC5\xBEivosti."
               "\r\n"
               "V\xC2\xA0horn\xC3\xAD\xC2\xA0\xC4\x8D\xC3\xA1sti\xC2\xA0obrazovky "
               "se pohybuj\xC3\xAD zprava doleva kosti\xC4\x8Dky p\xC4\x9Bti "
               "r\xC5\xAFzn\xC3\xBD"
               "ch barev. Ve spodn\xC3\xAD \xC4\x8D\xC3\xA1sti je p\xC4\x9Bt "
               "sloupe\xC4\x8Dk\xC5\xAF s kosti\xC4\x8Dkami takt\xC3\xA9\xC5\xBE "
               "p\xC4\x9Bti barev, kter\xC3\xA9 postupn\xC4\x9B klesaj\xC3\xAD "
               "dol\xC5\xAF."
               "\r\n"
               "Va\xC5\xA1im\xC2\xA0\xC3\xBAkolem\xC2\xA0je\xC2\xA0pos\xC3\xADlat "
               "kosti\xC4\x8Dky z horn\xC3\xAD \xC5\x99"
               "ady do sloupe\xC4\x8Dk\xC5\xAF. Sta\xC4\x8D\xC3\xAD kliknout "
               "my\xC5\xA1\xC3\xAD na kosti\xC4\x8Dku nad sloupe\xC4\x8Dkem. "
               "Je v\xC5\xA1"
               "ak t\xC5\x99"
               "eba dodr\xC5\xBE"
               "et spr\xC3\xA1vnou barvu. Pokud po\xC5\xA1lete do sloupe\xC4\x8Dku "
               "kosti\xC4\x8Dku jin\xC3\xA9 barvy, ne\xC5\xBE kter\xC3\xA1 "
               "tam pat\xC5\x99\xC3\xAD, hra kon\xC4\x8D\xC3\xAD. Hra tak\xC3\xA9 "
               "kon\xC4\x8D\xC3\xAD v okam\xC5\xBEiku, kdy se n\xC4\x9Bkter\xC3\xBD "
               "sloupe\xC4\x8D"
               "ek \xC3\xBApln\xC4\x9B vypr\xC3\xA1zdn\xC3\xAD."
               "\r\n"
               "Hra se postupn\xC4\x9B zrychluje, a proto v\xC3\xA1m dr\xC5\xBE\xC3\xADme "
               "palce, abyste vydr\xC5\xBE"
               "eli co nejd\xC3\xA9le a dos\xC3\xA1hli co nejv\xC3\xAD"
               "ce bod\xC5\xAF."
               "\r\n"
               "V p\xC5\x99\xC3\xADpad\xC4\x9B jak\xC3\xBD"
               "chkoli nejasnost\xC3\xAD \xC4\x8Di nespr\xC3\xA1vn\xC3\xA9 "
               "funkce programu n\xC3\xA1s kontaktujte pomoc\xC3\xAD e-mailu ") +
           contact;
}

} // namespace

class TestHowToPlay : public QObject {
    Q_OBJECT
private slots:
    void init() { GameFixture::forgetStoredTable(); }

    void textIsTheRulesToTheByte_data();
    void textIsTheRulesToTheByte();
    void labelShowsFiveParagraphsOnNewLines();
    void wholeTextFitsTheLabel();
    void okHasTheFocusAndEscapeDoesNotClose();
    void f1OpensItAndTheMainWindowThenTakesNoKeys();
    void closingHandsTheGameBack_data();
    void closingHandsTheGameBack();

private:
    static JakHratFrm *openFromMenu(GameFixture &game) {
        game.action("MnJakHrat")->trigger();
        return Forms::existing<JakHratFrm>();
    }
    static QLabel *label(JakHratFrm *w) { return w->findChild<QLabel *>(QStringLiteral("Label2")); }
    static QPushButton *ok(JakHratFrm *w) {
        return w->findChild<QPushButton *>(QStringLiteral("OKButton"));
    }
};

void TestHowToPlay::textIsTheRulesToTheByte_data() {
    QTest::addColumn<QByteArray>("contact");
    QTest::newRow("built-in address") << QByteArray(BuildConfig::kContact);
    QTest::newRow("another address") << QByteArray("hra@priklad.cz");
}

void TestHowToPlay::textIsTheRulesToTheByte() {
    QFETCH(QByteArray, contact);
    QCOMPARE(howToPlayText(QString::fromUtf8(contact)).toUtf8(), expectedText(contact));
}

void TestHowToPlay::labelShowsFiveParagraphsOnNewLines() {
    GameFixture game;
    game.start();
    JakHratFrm *w = openFromMenu(game);
    QCOMPARE(w->windowTitle(), QStringLiteral("Jak hrát"));
    QCOMPARE(w->size(), QSize(408, 227));
    const QString shown = label(w)->text();
    // A CR would be drawn as a gap; each paragraph starts on a line of its own.
    QVERIFY(!shown.contains(u'\r'));
    QCOMPARE(shown.split(u'\n').size(), 5);
    QCOMPARE(shown.toUtf8(), expectedText(QByteArray(BuildConfig::kContact)).replace("\r\n", "\n"));
    QCOMPARE(label(w)->textFormat(), Qt::PlainText);
}

// The layout was made for a narrower font than the one standing in for it here;
// a cut-off last line would hide the contact address.
void TestHowToPlay::wholeTextFitsTheLabel() {
    GameFixture game;
    game.start();
    JakHratFrm *w = openFromMenu(game);
    QLabel *text = label(w);
    QVERIFY(text->wordWrap());
    QCOMPARE(text->width(), 377);
    QCOMPARE(text->height(), 178);
    QVERIFY2(text->heightForWidth(text->width()) <= text->height(),
             qPrintable(QStringLiteral("needs %1 px").arg(text->heightForWidth(text->width()))));
    QVERIFY(text->font().pixelSize() >= 9); // still readable
}

void TestHowToPlay::okHasTheFocusAndEscapeDoesNotClose() {
    GameFixture game;
    game.start();
    JakHratFrm *w = openFromMenu(game);
    QCOMPARE(w->focusWidget(), ok(w));
    QVERIFY(!ok(w)->isDefault());
    QTest::keyClick(ok(w), Qt::Key_Escape);
    QVERIFY(w->isVisible());
    QVERIFY(!game.window->isEnabled());
    QVERIFY(game.held());
}

void TestHowToPlay::closingHandsTheGameBack_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("paused");
    for (const char *how : {"OK", "Enter", "Space", "close box"}) {
        QTest::newRow(how) << QString::fromLatin1(how) << false;
        QTest::addRow("%s, paused", how) << QString::fromLatin1(how) << true;
    }
}

void TestHowToPlay::closingHandsTheGameBack() {
    QFETCH(QString, how);
    QFETCH(bool, paused);
    GameFixture game;
    game.start();
    if (paused)
        game.action("MnPauza")->trigger();
    JakHratFrm *w = openFromMenu(game);
    const int blocks = game.blocksOnTopRow();

    if (how == QLatin1String("OK"))
        QTest::mouseClick(ok(w), Qt::LeftButton);
    else if (how == QLatin1String("Enter"))
        QTest::keyClick(ok(w), Qt::Key_Return);
    else if (how == QLatin1String("Space"))
        QTest::keyClick(ok(w), Qt::Key_Space);
    else
        w->close();

    QVERIFY(!w->isVisible());
    QVERIFY(game.window->isEnabled());
    QCOMPARE(game.running(), !paused);
    QCOMPARE(game.held(), paused);
    QCOMPARE(game.blocksOnTopRow(), paused ? blocks : blocks + 1); // resuming ticks at once
    QTRY_VERIFY(!Forms::existing<JakHratFrm>());
}

void TestHowToPlay::f1OpensItAndTheMainWindowThenTakesNoKeys() {
    GameFixture game;
    HraciPoleFrm &w = game.start();
    QApplication::setActiveWindow(&w);
    QTest::keyClick(&w, Qt::Key_F1);
    JakHratFrm *help = Forms::existing<JakHratFrm>();
    QVERIFY(help);
    QVERIFY(!w.isEnabled());
    QVERIFY(game.held());
    QVERIFY(help->isEnabled()); // the window over the disabled main window takes input

    // The main window is disabled: its shortcuts reach nothing.
    const int questions = game.asked.size();
    QApplication::setActiveWindow(&w);
    QTest::keyClick(&w, Qt::Key_F3);
    QTest::keyClick(&w, Qt::Key_N, Qt::ControlModifier);
    QTest::keyClick(&w, Qt::Key_F1);
    QCOMPARE(game.asked.size(), questions);
    QVERIFY(!game.action("MnPauza")->isChecked());
    QCOMPARE(Forms::existing<JakHratFrm>(), help);
    QVERIFY(game.held());
}

TOQUEL_TEST_MAIN(TestHowToPlay)
#include "tst_howtoplay.moc"
