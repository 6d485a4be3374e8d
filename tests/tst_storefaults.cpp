// The game against a settings store that fails: read-only, missing, garbage,
// huge, of the wrong type, and shared by two copies of the game at once.
#include "GameFixture.h"
#include "TestMain.h"
#include "scores/ScoreStore.h"
#include "scores/VyherniFrm.h"
#include "scores/VysledkyFrm.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QLockFile>
#include <QProcess>
#include <unistd.h>

namespace {
const QString kDamaged = QStringLiteral("Poškození výsledků");
const QString kCannotSave = QStringLiteral("Výsledky nelze uložit");

QString settingsFile() {
    return ScoreStore::fileName();
}

QString settingsFolder() {
    return QFileInfo(settingsFile()).absolutePath();
}

void removeSettings() {
    QFile::setPermissions(settingsFile(), QFile::ReadOwner | QFile::WriteOwner);
    QFile::setPermissions(settingsFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir(settingsFolder()).removeRecursively();
    QFile::remove(settingsFolder());
}

void writeFile(const QString &path, const QByteArray &bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

ScoreTable goodTable() {
    ScoreTable table;
    table.insert(QStringLiteral("Eva"), 120);
    table.insert(QStringLiteral("Jan"), 85);
    return table;
}

int count(const QList<MessageBox::Request> &asked, const QString &title) {
    return int(std::count_if(asked.begin(), asked.end(),
                             [&](const MessageBox::Request &r) { return r.title == title; }));
}

// Ends the game with a record of 5 points under `name`.
void playARecord(GameFixture &game, const QString &name) {
    HraciPoleFrm &w = *game.window;
    w.field().setTop(7, Colour::Blue);
    game.press(7);
    w.field().setTop(7, Colour::Red);
    game.press(7);
    VyherniFrm *record = Forms::existing<VyherniFrm>();
    QVERIFY(record);
    record->findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(name);
    record->close();
}
} // namespace

class TestStoreFaults : public QObject {
    Q_OBJECT
private slots:
    void init() { removeSettings(); }
    void cleanup() { removeSettings(); }

    void gamePlaysOnAndTellsOnce_data();
    void gamePlaysOnAndTellsOnce();
    void readOnlyFileKeepsTheGoodTable();
    void missingFolderIsCreated();
    void twoCopiesKeepBothRecords();
    void damageFoundAtARecordIsToldBeforeTheSave();
};

void TestStoreFaults::gamePlaysOnAndTellsOnce_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("damageMessages");
    QTest::addColumn<int>("saveMessages");
    QTest::addColumn<bool>("recordKept");
    QTest::newRow("garbage file") << "garbage" << 1 << 0 << true;
    QTest::newRow("huge file") << "huge" << 1 << 0 << true;
    QTest::newRow("number instead of text") << "number" << 1 << 0 << true;
    QTest::newRow("bytes instead of text") << "bytes" << 1 << 0 << true;
    QTest::newRow("folder in place of the file") << "folder-as-file" << 1 << 1 << false;
    QTest::newRow("file in place of the folder") << "file-as-folder" << 1 << 1 << false;
}

void TestStoreFaults::gamePlaysOnAndTellsOnce() {
    QFETCH(QString, fault);
    if (fault == "garbage") {
        QByteArray bytes;
        for (int i = 0; i < 4096; ++i)
            bytes += char((i * 7919) % 256);
        writeFile(settingsFile(), bytes);
    } else if (fault == "huge") {
        writeFile(settingsFile(), "[Skore]\nHiSkore=" + QByteArray(3 << 20, 'x') + "\n");
    } else if (fault == "number") {
        writeFile(settingsFile(), "[Skore]\nHiSkore=12345\n");
    } else if (fault == "bytes") {
        writeFile(settingsFile(), "[Skore]\nHiSkore=@ByteArray(abc)\n");
    } else if (fault == "folder-as-file") {
        QDir().mkpath(settingsFile());
    } else {
        writeFile(settingsFolder(), "not a folder");
    }

    GameFixture game;
    game.start();
    playARecord(game, QStringLiteral("Eva"));
    Forms::existing<VysledkyFrm>()->close();
    game.action("MnNovahra")->trigger(); // a second game, a second record
    playARecord(game, QStringLiteral("Jan"));

    QTEST(count(game.asked, kDamaged), "damageMessages");
    QTEST(count(game.asked, kCannotSave), "saveMessages");
    QFETCH(bool, recordKept);
    ScoreBook reread;
    QCOMPARE(reread.load() == ScoreBook::Load::Loaded, recordKept);
    if (recordKept) {
        QCOMPARE(reread.table().entry(0).name, QStringLiteral("Eva"));
        QCOMPARE(reread.table().entry(1).name, QStringLiteral("Jan"));
    }
    // The results of this run are still in memory and shown.
    QCOMPARE(game.window->table().entry(0).name, QStringLiteral("Eva"));
    QCOMPARE(game.window->table().entry(1).name, QStringLiteral("Jan"));
}

void TestStoreFaults::readOnlyFileKeepsTheGoodTable() {
    if (geteuid() == 0)
        QSKIP("file permissions do not stop the root user");
    GameFixture::storeTable(goodTable());
    QFile::setPermissions(settingsFile(), QFile::ReadOwner);
    QFile::setPermissions(settingsFolder(), QFile::ReadOwner | QFile::ExeOwner);
    GameFixture game;
    game.start();
    QCOMPARE(game.window->table(), goodTable());
    playARecord(game, QStringLiteral("Iva"));
    QCOMPARE(count(game.asked, kCannotSave), 1);
    QCOMPARE(count(game.asked, kDamaged), 0);
    ScoreBook reread;
    QCOMPARE(reread.load(), ScoreBook::Load::Loaded);
    QCOMPARE(reread.table(), goodTable());
}

void TestStoreFaults::missingFolderIsCreated() {
    GameFixture game;
    game.start();
    QCOMPARE(count(game.asked, kDamaged), 1); // nothing stored yet
    QCOMPARE(count(game.asked, kCannotSave), 0);
    QVERIFY(QFileInfo::exists(settingsFile()));
}

// Two copies of the game end with a record at the same moment: the lock in
// the game's data folder keeps either from writing over the other. It is a
// real folder on every platform, never one made up from the settings' place.
void TestStoreFaults::twoCopiesKeepBothRecords() {
    QCOMPARE(ScoreStore::lockFileName(),
             qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Toquel/Toquel/Toquel.lock"));
    GameFixture::storeTable(goodTable());
    const QString writer =
        QCoreApplication::applicationDirPath() + QStringLiteral("/record_writer");
    QProcess first, second;
    first.start(writer, {QStringLiteral("Prvni"), QStringLiteral("300"), QStringLiteral("400")});
    second.start(writer, {QStringLiteral("Druhy"), QStringLiteral("200"), QStringLiteral("400")});
    QVERIFY(first.waitForFinished(30000));
    QVERIFY(second.waitForFinished(30000));
    QCOMPARE(first.exitCode(), 0);
    QCOMPARE(second.exitCode(), 0);

    ScoreBook reread;
    QCOMPARE(reread.load(), ScoreBook::Load::Loaded);
    QCOMPARE(reread.table().entry(0).name, QStringLiteral("Prvni"));
    QCOMPARE(reread.table().entry(1).name, QStringLiteral("Druhy"));
    QCOMPARE(reread.table().entry(2).name, QStringLiteral("Eva"));
    QCOMPARE(reread.table().entry(3).name, QStringLiteral("Jan"));
    QVERIFY(QFileInfo(QFileInfo(ScoreStore::lockFileName()).absolutePath()).isDir());
    QVERIFY(!QFileInfo::exists(settingsFolder() + QStringLiteral("/Toquel.lock")));
}

// The record window closes over a table damaged since the game began: the
// message comes first, while the damaged value is still stored and no lock is
// held; then the record goes into the emptied table alone.
void TestStoreFaults::damageFoundAtARecordIsToldBeforeTheSave() {
    GameFixture::storeTable(goodTable());
    GameFixture game;
    game.start();
    const QString damaged = QStringLiteral("poškozeno");
    QSettings(QStringLiteral("Toquel"), QStringLiteral("Toquel"))
        .setValue(QStringLiteral("Skore/HiSkore"), damaged);
    std::optional<QString> storedWhileTold;
    bool lockFreeWhileTold = false;
    game.whileAsking = [&](const MessageBox::Request &request) {
        if (request.title != kDamaged)
            return;
        storedWhileTold = ScoreStore().read();
        lockFreeWhileTold = bool(ScoreStore().lock());
    };
    playARecord(game, QStringLiteral("Jan"));

    QCOMPARE(count(game.asked, kDamaged), 1);
    QCOMPARE(storedWhileTold, std::optional(damaged));
    QVERIFY(lockFreeWhileTold);
    ScoreBook reread;
    QCOMPARE(reread.load(), ScoreBook::Load::Loaded);
    QCOMPARE(reread.table().entry(0), (ScoreEntry{QStringLiteral("Jan"), QStringLiteral("5")}));
    QVERIFY(reread.table().entry(1).isFree());
}

TOQUEL_TEST_MAIN(TestStoreFaults)
#include "tst_storefaults.moc"
