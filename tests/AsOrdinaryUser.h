// Mode bits do not hold for root, and CI runs the tests as root. A test about them runs its
// current row once more as the user nobody (setpriv, from util-linux), from a copy of the test
// program in a folder that user can reach, and passes when the row passed there.
#pragma once

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

inline bool passesAsOrdinaryUser(QByteArray &output) {
    QTemporaryDir place; // the user's home, with the copy in it
    const QString home = place.path(), copy = home + u"/test"_qs;
    if (!QFile::copy(QCoreApplication::applicationFilePath(), copy) ||
        !QFile::setPermissions(home, QFileDevice::Permissions(0x7777)))
        return false;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_qs, home);
    environment.insert(u"TMPDIR"_qs, home);
    // The sanitizer build's leak suppressions, from a copy that user can read.
    QString leaks = environment.value(u"LSAN_OPTIONS"_qs);
    const auto list = QRegularExpression(u"suppressions=([^:]*)"_qs).match(leaks);
    if (list.hasMatch() && QFile::copy(list.captured(1), home + u"/lsan.supp"_qs))
        environment.insert(u"LSAN_OPTIONS"_qs,
                           leaks.replace(list.captured(1), home + u"/lsan.supp"_qs));
    QProcess run;
    run.setProcessEnvironment(environment);
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.setWorkingDirectory(home);
    run.start(u"setpriv"_qs,
              {u"--reuid=nobody"_qs, u"--regid=nogroup"_qs, u"--clear-groups"_qs, u"--"_qs, copy,
               u"%1:%2"_qs.arg(QTest::currentTestFunction(), QTest::currentDataTag())});
    const bool finished = run.waitForFinished(120000);
    output = run.readAll();
    return finished && run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0;
}
