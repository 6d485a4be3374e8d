// The about window: reading a registry value, finding the system information
// program, and handing the game back when the window closes.
#include "GameFixture.h"
#include "TestMain.h"
#include "shell/BuildConfig.h"
#include "shell/OAplikaciFrm.h"
#include "shell/Registry.h"

#include <QHash>
#include <QLabel>
#include <QPushButton>
#include <optional>

namespace {

const QString kMsInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kLocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString kUnavailable = QStringLiteral("System Information Is Unavailable At This Time");

// A registry of a few values under HKEY_LOCAL_MACHINE that keeps count of its open keys.
class FakeRegistry : public Registry {
public:
    struct Value {
        quint32 type;
        QByteArray data;
    };

    void put(const QString &key, const QString &name, Value value) { m_keys[key][name] = value; }
    void putKey(const QString &key) { m_keys[key]; }
    void putText(const QString &key, const QString &name, const QString &text) {
        put(key, name, {kText, text.toLocal8Bit() + '\0'});
    }

    QStringList keysAsked;
    int opens = 0;
    int closes = 0;
    int strayCloses = 0;
    QList<quint32> bufferSizes;

    bool openKey(Root root, const QString &path, Key &key) override {
        keysAsked << path;
        if (root != Root::LocalMachine || !m_keys.contains(path))
            return false;
        key = ++m_lastKey;
        m_open.insert(key, path);
        ++opens;
        return true;
    }

    bool queryValue(Key key, const QString &name, quint32 &type, QByteArray &buffer,
                    quint32 &size) override {
        bufferSizes << size;
        const auto values = m_keys.value(m_open.value(key));
        if (!m_open.contains(key) || !values.contains(name))
            return false;
        const Value &value = values[name];
        if (quint32(value.data.size()) > size || value.data.size() > buffer.size()) {
            size = quint32(value.data.size());
            return false;
        }
        type = value.type;
        std::copy(value.data.begin(), value.data.end(), buffer.begin());
        size = quint32(value.data.size());
        return true;
    }

    void closeKey(Key key) override {
        if (m_open.remove(key))
            ++closes;
        else
            ++strayCloses;
    }

private:
    QHash<QString, QHash<QString, Value>> m_keys;
    QHash<Key, QString> m_open;
    Key m_lastKey = 100;
};

// The world StartSysInfo looks into: a fake registry, files that exist, launches that work.
struct FakeMachine {
    FakeRegistry registry;
    QStringList files;
    bool launchWorks = true;
    QStringList filesChecked;
    QStringList launched;

    SysInfoPlatform platform() {
        return {&registry,
                [this](const QString &path) {
                    filesChecked << path;
                    return files.contains(path);
                },
                [this](const QString &program) {
                    launched << program;
                    return launchWorks;
                }};
    }
};

QByteArray bytes(std::initializer_list<quint8> list) {
    QByteArray data;
    for (quint8 b : list)
        data.append(char(b));
    return data;
}

} // namespace

class TestAbout : public QObject {
    Q_OBJECT
private slots:
    void init() { GameFixture::forgetStoredTable(); }

    void readsARegistryValue_data();
    void readsARegistryValue();
    void theLinuxRegistryHasNoEntries();
    void keysAreOpenedForReadingOnly();

    void startsTheSystemInformationProgram_data();
    void startsTheSystemInformationProgram();
    void eachPressLaunchesAgain();
    void withoutWindowsThePlayerIsToldItIsUnavailable();
    void altSPressesSystemInfo();

    void showsNameVersionAndContact();
    void drawsTheIconAndTheEtchedRule();
    void closingHandsTheGameBack_data();
    void closingHandsTheGameBack();

private:
    static OAplikaciFrm *openFromMenu(GameFixture &game) {
        game.action("MnOAplikaci")->trigger();
        return Forms::existing<OAplikaciFrm>();
    }
};

void TestAbout::readsARegistryValue_data() {
    QTest::addColumn<bool>("keyThere");
    QTest::addColumn<bool>("valueThere");
    QTest::addColumn<quint32>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("before");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("after");

    const QString old = QStringLiteral("as passed");
    QTest::newRow("text") << true << true << Registry::kText
                          << QByteArray("C:\\MSInfo\\msinfo32.exe\0", 23) << old << true
                          << QStringLiteral("C:\\MSInfo\\msinfo32.exe");
    QTest::newRow("text without its NUL keeps its last letter")
        << true << true << Registry::kText << QByteArray("abc") << old << true
        << QStringLiteral("abc");
    QTest::newRow("text of only a NUL is empty")
        << true << true << Registry::kText << QByteArray(1, '\0') << old << true << QString();
    QTest::newRow("number -2") << true << true << Registry::kNumber
                               << bytes({0xFE, 0xFF, 0xFF, 0xFF}) << old << true
                               << QStringLiteral("-2");
    QTest::newRow("number whose last byte is zero")
        << true << true << Registry::kNumber << bytes({0x2A, 0x01, 0x00, 0x00}) << old << true
        << QStringLiteral("298");
    QTest::newRow("number 0") << true << true << Registry::kNumber
                              << bytes({0x00, 0x00, 0x00, 0x00}) << old << true
                              << QStringLiteral("0");
    QTest::newRow("smallest number")
        << true << true << Registry::kNumber << bytes({0x00, 0x00, 0x00, 0x80}) << old << true
        << QStringLiteral("-2147483648");
    QTest::newRow("largest number")
        << true << true << Registry::kNumber << bytes({0xFF, 0xFF, 0xFF, 0x7F}) << old << true
        << QStringLiteral("2147483647");
    QTest::newRow("other type leaves the value as passed")
        << true << true << quint32(3) << bytes({0x01, 0x02}) << old << true << old;
    QTest::newRow("empty data fails")
        << true << true << Registry::kText << QByteArray() << old << false << QString();
    QTest::newRow("1024 bytes with the NUL")
        << true << true << Registry::kText << QByteArray(1023, 'x') + '\0' << old << true
        << QString(1023, u'x');
    QTest::newRow("1024 bytes without a NUL")
        << true << true << Registry::kText << QByteArray(1024, 'x') << old << true
        << QString(1024, u'x');
    QTest::newRow("1025 bytes fail") << true << true << Registry::kText
                                     << QByteArray(1024, 'x') + '\0' << old << false << QString();
    QTest::newRow("missing key") << false << false << Registry::kText << QByteArray("x\0", 2) << old
                                 << false << QString();
    QTest::newRow("missing value")
        << true << false << Registry::kText << QByteArray("x\0", 2) << old << false << QString();
}

void TestAbout::readsARegistryValue() {
    QFETCH(bool, keyThere);
    QFETCH(bool, valueThere);
    QFETCH(quint32, type);
    QFETCH(QByteArray, data);
    QFETCH(QString, before);
    QFETCH(bool, found);
    QFETCH(QString, after);

    FakeRegistry registry;
    if (valueThere)
        registry.put(kMsInfoKey, QStringLiteral("PATH"), {type, data});
    else if (keyThere)
        registry.putKey(kMsInfoKey);

    QString value = before;
    QCOMPARE(GetKeyValue(registry, Registry::Root::LocalMachine, kMsInfoKey, QStringLiteral("PATH"),
                         value),
             found);
    QCOMPARE(value, after);
    QCOMPARE(registry.opens, keyThere ? 1 : 0);
    QCOMPARE(registry.closes, registry.opens); // every key opened is closed again
    QCOMPARE(registry.strayCloses, 0);
    if (keyThere)
        QCOMPARE(registry.bufferSizes, QList<quint32>{1024});
}

void TestAbout::theLinuxRegistryHasNoEntries() {
#ifdef Q_OS_WIN
    QSKIP("Windows has a registry of its own");
#else
    QString value = QStringLiteral("as passed");
    QVERIFY(!GetKeyValue(Registry::system(), Registry::Root::LocalMachine, kMsInfoKey,
                         QStringLiteral("PATH"), value));
    QCOMPARE(value, QString());
#endif
}

// A normal user is refused a key of HKEY_LOCAL_MACHINE opened with any write
// right, and the button would then always say the tool is unavailable.
void TestAbout::keysAreOpenedForReadingOnly() {
    constexpr quint32 kQueryValue = 0x0001;
    constexpr quint32 kWriteRights = 0x0002 /* set value */ | 0x0004 /* create subkey */ |
                                     0x0020 /* create link */ | 0x00010000 /* delete */ |
                                     0x00040000 /* write DAC */ | 0x00080000 /* write owner */;
    QCOMPARE(Registry::kReadAccess & kQueryValue, kQueryValue);
    QCOMPARE(Registry::kReadAccess & kWriteRights, 0u);
}

void TestAbout::startsTheSystemInformationProgram_data() {
    QTest::addColumn<std::optional<QString>>("path");   // the PATH entry
    QTest::addColumn<std::optional<QString>>("folder"); // the MSINFO entry
    QTest::addColumn<bool>("fileThere");                // folder\MSINFO32.EXE exists
    QTest::addColumn<bool>("launchWorks");
    QTest::addColumn<QStringList>("keysAsked");
    QTest::addColumn<QStringList>("filesChecked");
    QTest::addColumn<QStringList>("launched");
    QTest::addColumn<bool>("unavailable");

    const QString path =
        QStringLiteral("C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe");
    const QString folder = QStringLiteral("C:\\Program Files\\MSInfo");
    const QString inFolder = folder + QStringLiteral("\\MSINFO32.EXE");
    const QStringList first{kMsInfoKey};
    const QStringList both{kMsInfoKey, kLocationKey};
    using Text = std::optional<QString>;

    QTest::newRow("program path registered") << Text(path) << Text(folder) << true << true << first
                                             << QStringList() << QStringList{path} << false;
    QTest::newRow("registered program fails to start, folder not tried")
        << Text(path) << Text(folder) << true << false << first << QStringList()
        << QStringList{path} << true;
    QTest::newRow("registered path empty, folder not tried")
        << Text(QString()) << Text(folder) << true << true << first << QStringList()
        << QStringList() << true;
    QTest::newRow("only the folder, program in it")
        << Text() << Text(folder) << true << true << both << QStringList{inFolder}
        << QStringList{inFolder} << false;
    QTest::newRow("only the folder, program in it fails to start")
        << Text() << Text(folder) << true << false << both << QStringList{inFolder}
        << QStringList{inFolder} << true;
    QTest::newRow("only the folder, no program in it")
        << Text() << Text(folder) << false << true << both << QStringList{inFolder} << QStringList()
        << true;
    QTest::newRow("neither entry")
        << Text() << Text() << false << true << both << QStringList() << QStringList() << true;
}

void TestAbout::startsTheSystemInformationProgram() {
    QFETCH(std::optional<QString>, path);
    QFETCH(std::optional<QString>, folder);
    QFETCH(bool, fileThere);
    QFETCH(bool, launchWorks);
    QFETCH(QStringList, keysAsked);
    QFETCH(QStringList, filesChecked);
    QFETCH(QStringList, launched);
    QFETCH(bool, unavailable);

    GameFixture game;
    game.start();
    game.asked.clear();
    FakeMachine machine;
    if (path)
        machine.registry.putText(kMsInfoKey, QStringLiteral("PATH"), *path);
    if (folder)
        machine.registry.putText(kLocationKey, QStringLiteral("MSINFO"), *folder);
    if (fileThere && folder)
        machine.files << *folder + QStringLiteral("\\MSINFO32.EXE");
    machine.launchWorks = launchWorks;

    OAplikaciFrm *about = openFromMenu(game);
    about->setSysInfoPlatform(machine.platform());
    QTest::mouseClick(about->findChild<QPushButton *>(QStringLiteral("cmdSysInfo")),
                      Qt::LeftButton);

    QCOMPARE(machine.registry.keysAsked, keysAsked);
    QCOMPARE(machine.filesChecked, filesChecked);
    QCOMPARE(machine.launched, launched);
    QCOMPARE(machine.registry.closes, machine.registry.opens);
    if (unavailable) {
        QCOMPARE(game.asked.size(), 1);
        QCOMPARE(game.asked[0].text, kUnavailable);
        QCOMPARE(game.asked[0].title, QStringLiteral("Toquel"));
        QCOMPARE(game.asked[0].buttons, MessageBox::Buttons::Ok);
    } else {
        QVERIFY(game.asked.isEmpty());
    }
    // Either way the about window stays, and the game stays held behind it.
    QVERIFY(about->isVisible());
    QVERIFY(!game.window->isEnabled());
    QVERIFY(game.held());
}

void TestAbout::eachPressLaunchesAgain() {
    GameFixture game;
    game.start();
    FakeMachine machine;
    machine.registry.putText(kMsInfoKey, QStringLiteral("PATH"), QStringLiteral("C:\\msinfo.exe"));
    OAplikaciFrm *about = openFromMenu(game);
    about->setSysInfoPlatform(machine.platform());
    auto *button = about->findChild<QPushButton *>(QStringLiteral("cmdSysInfo"));
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(machine.launched,
             (QStringList{QStringLiteral("C:\\msinfo.exe"), QStringLiteral("C:\\msinfo.exe")}));
}

void TestAbout::withoutWindowsThePlayerIsToldItIsUnavailable() {
#ifdef Q_OS_WIN
    QSKIP("Windows may have the program");
#else
    GameFixture game;
    game.start();
    game.asked.clear();
    OAplikaciFrm *about = openFromMenu(game); // with the machine's own platform
    about->findChild<QPushButton *>(QStringLiteral("cmdSysInfo"))->click();
    QCOMPARE(game.asked.size(), 1);
    QCOMPARE(game.asked[0].text, kUnavailable);
    QVERIFY(about->isVisible());
#endif
}

void TestAbout::altSPressesSystemInfo() {
    GameFixture game;
    game.start();
    FakeMachine machine;
    machine.registry.putText(kMsInfoKey, QStringLiteral("PATH"), QStringLiteral("C:\\msinfo.exe"));
    OAplikaciFrm *about = openFromMenu(game);
    about->setSysInfoPlatform(machine.platform());
    QVERIFY(QTest::qWaitForWindowActive(about));
    QTest::keyClick(about->focusWidget(), Qt::Key_S, Qt::AltModifier);
    // An access key shows the button going down and up before it acts.
    QTRY_COMPARE(machine.launched, QStringList{QStringLiteral("C:\\msinfo.exe")});
    QVERIFY(about->isVisible());
}

void TestAbout::showsNameVersionAndContact() {
    GameFixture game;
    game.start();
    OAplikaciFrm *about = openFromMenu(game);
    QCOMPARE(about->windowTitle(), QStringLiteral("O aplikaci"));
    QCOMPARE(about->size(), QSize(382, 182));
    const auto text = [about](const char *name) {
        return about->findChild<QLabel *>(QLatin1String(name))->text();
    };
    QCOMPARE(text("lblTitle"), QStringLiteral("Toquel"));
    QCOMPARE(text("lblVersion"), QStringLiteral("Verze 1.02"));
    QCOMPARE(text("lblDisclaimer"),
             QStringLiteral("Veškeré dotazy a přípomínky k této hře směřujte, prosím, na "
                            "e-mailovou adresu: ") +
                 QLatin1String(BuildConfig::kContact));
    // The whole address shows: the wrapped text fits its box.
    auto *disclaimer = about->findChild<QLabel *>(QStringLiteral("lblDisclaimer"));
    QVERIFY(disclaimer->heightForWidth(disclaimer->width()) <= disclaimer->height());
    auto *description = about->findChild<QLabel *>(QStringLiteral("lblDescription"));
    QVERIFY(!description->text().isEmpty());
    QVERIFY(description->heightForWidth(description->width()) <= description->height());
    QCOMPARE(about->findChild<QPushButton *>(QStringLiteral("cmdSysInfo"))->text(),
             QStringLiteral("&System Info..."));
}

void TestAbout::drawsTheIconAndTheEtchedRule() {
    GameFixture game;
    game.start();
    OAplikaciFrm *about = openFromMenu(game);
    const QImage shot = about->grab().toImage();
    // The rule runs from x = 5 to x = 375: a grey pixel row over two white ones.
    for (int x : {5, 190, 375}) {
        QCOMPARE(shot.pixelColor(x, 109), QColor(128, 128, 128));
        QCOMPARE(shot.pixelColor(x, 110), QColor(Qt::white));
        QCOMPARE(shot.pixelColor(x, 111), QColor(Qt::white));
    }
    QVERIFY(shot.pixelColor(4, 109) != QColor(128, 128, 128));
    QVERIFY(shot.pixelColor(376, 109) != QColor(128, 128, 128));
    // The icon sits in the middle of its 36-pixel box: night sky inside, no sky outside.
    const QColor sky = shot.pixelColor(18 + 4, 18 + 8);
    QVERIFY2(sky.blue() > 2 * sky.red() && sky.blue() > 40, qPrintable(sky.name()));
    const QColor beside = shot.pixelColor(18 + 4, 18 + 34);
    QVERIFY2(beside.blue() < 2 * beside.red(), qPrintable(beside.name()));
}

void TestAbout::closingHandsTheGameBack_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("paused");
    for (const char *how : {"OK", "Enter", "Esc", "close box"}) {
        QTest::newRow(how) << QString::fromLatin1(how) << false;
        QTest::addRow("%s, paused", how) << QString::fromLatin1(how) << true;
    }
}

void TestAbout::closingHandsTheGameBack() {
    QFETCH(QString, how);
    QFETCH(bool, paused);
    GameFixture game;
    game.start();
    if (paused)
        game.action("MnPauza")->trigger();
    OAplikaciFrm *about = openFromMenu(game);
    const int blocks = game.blocksOnTopRow();
    QVERIFY(game.held());

    auto *ok = about->findChild<QPushButton *>(QStringLiteral("cmdOK"));
    QCOMPARE(about->focusWidget(), ok);
    if (how == QLatin1String("OK"))
        QTest::mouseClick(ok, Qt::LeftButton);
    else if (how == QLatin1String("Enter"))
        QTest::keyClick(about->focusWidget(), Qt::Key_Return);
    else if (how == QLatin1String("Esc"))
        QTest::keyClick(about->focusWidget(), Qt::Key_Escape);
    else
        about->close();

    QVERIFY(!about->isVisible());
    QVERIFY(game.window->isEnabled());
    QCOMPARE(game.running(), !paused);
    QCOMPARE(game.held(), paused);
    QCOMPARE(game.blocksOnTopRow(), paused ? blocks : blocks + 1); // resuming ticks at once
    QTRY_VERIFY(!Forms::existing<OAplikaciFrm>());
}

TOQUEL_TEST_MAIN(TestAbout)
#include "tst_about.moc"
