// The toquel-skore program itself, started as a process: its help, its exit
// codes, and one post through it on 127.0.0.1 before a SIGTERM ends it.
#include "TestMain.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <httplib.h>

namespace {

const QString kProgram = QStringLiteral(TOQUEL_SKORE_PROGRAM);
constexpr int kWait = 20000;

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run run(const QStringList &arguments, const QString &workingDirectory = {}) {
    QProcess process;
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.start(kProgram, arguments);
    if (!process.waitForFinished(kWait))
        process.kill();
    process.waitForFinished(kWait);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

class TestServerCli : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void helpIsCzechAndExitsZero() {
        const Run r = run({QStringLiteral("--help")});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.contains(QStringLiteral("Použití: toquel-skore")));
        QVERIFY(r.out.contains(QStringLiteral("--rate-limit")));
        QVERIFY(r.out.contains(QStringLiteral("postgresql://")));
    }

    void failuresHaveTheirOwnExitCodes_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        QTest::newRow("unknown option") << QStringList{"--bogus"} << 2 << "--bogus";
        QTest::newRow("bad address") << QStringList{"--listen", "nowhere"} << 2 << "nowhere";
        QTest::newRow("bad rate limit") << QStringList{"--rate-limit", "-5"} << 2 << "-5";
        QTest::newRow("SQLite in a missing folder")
            << QStringList{"-d", "/nonexistent/folder/skore.sqlite"} << 3 << "nelze otevřít";
        // Port 1 on loopback: nothing listens there, the refusal is immediate.
        QTest::newRow("PostgreSQL nobody runs")
            << QStringList{"-d", "postgresql://skore@127.0.0.1:1/skore"} << 3 << "nelze otevřít";
    }
    void failuresHaveTheirOwnExitCodes() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        const Run r = run(arguments, dir.path());
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.startsWith(QStringLiteral("toquel-skore: ")), qPrintable(r.err));
        QVERIFY2(r.err.contains(says), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
    }

    void takenAddressExitsFour() {
        QTcpServer taken;
        QVERIFY(taken.listen(QHostAddress::LocalHost));
        const Run r =
            run({QStringLiteral("--listen"), QStringLiteral("127.0.0.1:%1").arg(taken.serverPort()),
                 QStringLiteral("-d"), dir.filePath(QStringLiteral("taken.sqlite"))});
        QCOMPARE(r.exitCode, 4);
        QVERIFY2(r.err.contains(QStringLiteral("nelze naslouchat")), qPrintable(r.err));
    }

    // The post is anonymous: the client's address shows neither in the log
    // (at its most talkative) nor in the database file.
    void servesAndForgetsWhoPosted() {
        const QString database = dir.filePath(QStringLiteral("served.sqlite"));
        QProcess server;
        server.start(kProgram, {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
                                QStringLiteral("-d"), database, QStringLiteral("--log-level"),
                                QStringLiteral("debug")});
        QVERIFY(server.waitForStarted(kWait));
        QString banner;
        while (!banner.contains(u'\n') && server.waitForReadyRead(kWait))
            banner += QString::fromUtf8(server.readAllStandardOutput());
        const QRegularExpressionMatch port =
            QRegularExpression(QStringLiteral("http://127\\.0\\.0\\.1:(\\d+)/skore")).match(banner);
        QVERIFY2(port.hasMatch(), qPrintable(banner));

        httplib::Client client("127.0.0.1", port.captured(1).toInt());
        const auto posted = client.Post(
            "/skore/pridejv.asp",
            "N1=Jan&S1=321&N2=&S2=&N3=&S3=&N4=&S4=&N5=&S5=", "application/x-www-form-urlencoded");
        QVERIFY(posted);
        QCOMPARE(posted->status, 200);
        const auto page = client.Get("/skore");
        QVERIFY(page && QString::fromStdString(page->body).contains(QStringLiteral(">Jan<")));

        server.terminate(); // SIGTERM, as a service manager stops it
        QVERIFY(server.waitForFinished(kWait));
        QCOMPARE(server.exitStatus(), QProcess::NormalExit);
        QCOMPARE(server.exitCode(), 0);
        const QByteArray log = server.readAllStandardError();
        QVERIFY2(log.contains("POST /skore/pridejv.asp"), log.constData());
        QVERIFY2(!log.contains("127.0.0.1"), log.constData());
        for (const QString &file :
             QDir(dir.path()).entryList({QStringLiteral("served.sqlite*")}, QDir::Files)) {
            QFile f(dir.filePath(file));
            QVERIFY(f.open(QIODevice::ReadOnly));
            QVERIFY2(!f.readAll().contains("127.0.0.1"), qPrintable(file));
        }
    }
};

TOQUEL_TEST_MAIN(TestServerCli)
#include "tst_server_cli.moc"
