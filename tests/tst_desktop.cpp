// The files `cmake --install` gives the desktop: a launcher, the icon in the theme
// and the AppStream entry, all under one id and agreeing with each other.
#include "TestMain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QXmlStreamReader>

namespace {

const QString kId = QStringLiteral(TOQUEL_APP_ID);
const QString kPrefix = QStringLiteral(TOQUEL_INSTALLED_PREFIX);

QString installed(const QString &path) {
    return kPrefix + u'/' + path;
}

// The keys of the [Desktop Entry] group.
QHash<QString, QString> desktopEntry(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QHash<QString, QString> keys;
    bool inEntry = false;
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(u'['))
            inEntry = line == QLatin1String("[Desktop Entry]");
        else if (inEntry && line.contains(u'=') && !line.startsWith(u'#'))
            keys.insert(line.section(u'=', 0, 0), line.section(u'=', 1));
    }
    return keys;
}

struct Metainfo {
    QString id;
    QString launchable;
    QStringList releases;
    QString homepage;
    QString projectLicense;
    QHash<QString, QString> summaries; // by language, "" for the default
};

Metainfo metainfo(const QString &path) {
    QFile file(path);
    Metainfo info;
    if (!file.open(QIODevice::ReadOnly))
        return info;
    QXmlStreamReader xml(&file);
    while (xml.readNextStartElement() || !xml.atEnd()) {
        if (!xml.isStartElement())
            continue;
        const auto name = xml.name();
        if (name == QLatin1String("component") || name == QLatin1String("releases"))
            continue; // look inside
        if (name == QLatin1String("id"))
            info.id = xml.readElementText();
        else if (name == QLatin1String("launchable"))
            info.launchable = xml.readElementText();
        else if (name == QLatin1String("summary")) {
            const QString lang = xml.attributes().value(QLatin1String("xml:lang")).toString();
            info.summaries.insert(lang, xml.readElementText());
        } else if (name == QLatin1String("project_license"))
            info.projectLicense = xml.readElementText();
        else if (name == QLatin1String("url") &&
                 xml.attributes().value(QLatin1String("type")) == QLatin1String("homepage"))
            info.homepage = xml.readElementText();
        else if (name == QLatin1String("release")) {
            info.releases << xml.attributes().value(QLatin1String("version")).toString();
            xml.skipCurrentElement();
        } else
            xml.skipCurrentElement();
    }
    return info;
}

QImage renderedIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QSvgRenderer svg(QStringLiteral(TOQUEL_ICON_SOURCE));
    QPainter painter(&image);
    svg.render(&painter, QRectF(0, 0, size, size));
    return image;
}

} // namespace

class TestDesktop : public QObject {
    Q_OBJECT
private slots:
    void launcherStartsTheInstalledProgram();
    void launcherNamesTheInstalledIcons();
    void launcherIsAGame();
    void launcherMatchesTheWindowAndTheAppStreamEntry();
    void appStreamEntryPointsAtTheLauncher();
    void appStreamReleaseIsTheBuiltVersion();
    void scalableIconIsTheArtwork();
    void pixelIconIsTheArtworkAt48();
};

void TestDesktop::launcherStartsTheInstalledProgram() {
    const auto entry =
        desktopEntry(installed(QStringLiteral("share/applications/%1.desktop").arg(kId)));
    QVERIFY(!entry.isEmpty());
    QCOMPARE(entry.value(QStringLiteral("Type")), QStringLiteral("Application"));
    const QString program = entry.value(QStringLiteral("Exec")).section(u' ', 0, 0);
    QFileInfo binary(installed(QStringLiteral("bin/") + program));
    QVERIFY2(binary.isFile() && binary.isExecutable(), qPrintable(binary.filePath()));
}

void TestDesktop::launcherNamesTheInstalledIcons() {
    const auto entry =
        desktopEntry(installed(QStringLiteral("share/applications/%1.desktop").arg(kId)));
    const QString icon = entry.value(QStringLiteral("Icon"));
    QCOMPARE(icon, kId); // the desktop matches windows to launchers by this id
    QVERIFY(QFileInfo::exists(
        installed(QStringLiteral("share/icons/hicolor/scalable/apps/%1.svg").arg(icon))));
    QVERIFY(QFileInfo::exists(
        installed(QStringLiteral("share/icons/hicolor/48x48/apps/%1.png").arg(icon))));
}

void TestDesktop::launcherIsAGame() {
    const auto entry =
        desktopEntry(installed(QStringLiteral("share/applications/%1.desktop").arg(kId)));
    QCOMPARE(entry.value(QStringLiteral("Name")), QStringLiteral("Toquel"));
    const QStringList categories = entry.value(QStringLiteral("Categories")).split(u';');
    QVERIFY(categories.contains(QStringLiteral("Game")));
    QVERIFY(categories.contains(QStringLiteral("ArcadeGame")));
    QVERIFY(!entry.value(QStringLiteral("Comment")).isEmpty());
}

// A dock on X11 ties the running window to the launcher by WM_CLASS, whose
// class Qt takes from the application name the game sets ("Toquel"). Both
// files speak Czech, the game's language, by default, English as a translation.
void TestDesktop::launcherMatchesTheWindowAndTheAppStreamEntry() {
    const auto entry =
        desktopEntry(installed(QStringLiteral("share/applications/%1.desktop").arg(kId)));
    QCOMPARE(entry.value(QStringLiteral("StartupWMClass")), QStringLiteral("Toquel"));
    const Metainfo info =
        metainfo(installed(QStringLiteral("share/metainfo/%1.metainfo.xml").arg(kId)));
    QCOMPARE(info.summaries.value(QString()), entry.value(QStringLiteral("Comment")));
    QCOMPARE(info.summaries.value(QStringLiteral("en")),
             entry.value(QStringLiteral("Comment[en]")));
    QVERIFY(!info.summaries.contains(QStringLiteral("cs")));
}

void TestDesktop::appStreamEntryPointsAtTheLauncher() {
    const Metainfo info =
        metainfo(installed(QStringLiteral("share/metainfo/%1.metainfo.xml").arg(kId)));
    QCOMPARE(info.id, kId);
    QCOMPARE(info.launchable, kId + QStringLiteral(".desktop"));
    QVERIFY(QFileInfo::exists(installed(QStringLiteral("share/applications/") + info.launchable)));
    QCOMPARE(info.projectLicense, QStringLiteral("MIT"));
    QVERIFY(info.homepage.startsWith(QLatin1String("http")));
}

void TestDesktop::appStreamReleaseIsTheBuiltVersion() {
    const Metainfo info =
        metainfo(installed(QStringLiteral("share/metainfo/%1.metainfo.xml").arg(kId)));
    QVERIFY(!info.releases.isEmpty());
    QCOMPARE(info.releases.first(), QStringLiteral(TOQUEL_VERSION)); // newest first
}

void TestDesktop::scalableIconIsTheArtwork() {
    QFile source(QStringLiteral(TOQUEL_ICON_SOURCE));
    QFile copy(installed(QStringLiteral("share/icons/hicolor/scalable/apps/%1.svg").arg(kId)));
    QVERIFY(source.open(QIODevice::ReadOnly));
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), source.readAll());
}

// The PNG is drawn once from the SVG and kept beside it; this notices when the
// artwork changed and the PNG was not drawn again.
void TestDesktop::pixelIconIsTheArtworkAt48() {
    QImage png(installed(QStringLiteral("share/icons/hicolor/48x48/apps/%1.png").arg(kId)));
    QCOMPARE(png.size(), QSize(48, 48));
    QVERIFY(png.hasAlphaChannel());
    png = png.convertToFormat(QImage::Format_ARGB32);
    const QImage svg = renderedIcon(48);
    qint64 difference = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x) {
            const QRgb a = png.pixel(x, y);
            const QRgb b = svg.pixel(x, y);
            difference += qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) +
                          qAbs(qBlue(a) - qBlue(b)) + qAbs(qAlpha(a) - qAlpha(b));
        }
    // Another SVG renderer may shade edges a little differently; a changed picture
    // differs by far more than this.
    const double perChannel = double(difference) / (48 * 48 * 4);
    QVERIFY2(perChannel < 4.0, qPrintable(QString::number(perChannel)));
    QCOMPARE(png.pixelColor(0, 0).alpha(), 0); // rounded corners stay see-through
}

TOQUEL_TEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
