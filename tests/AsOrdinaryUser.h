// Mode bits do not hold for root, and CI runs the tests as root. A test about them runs its
// current row once more as the user nobody (setpriv, from util-linux), from a copy of the test
// program in a folder that user can reach.
#pragma once

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

inline bool runsAsRoot() {
    return ::geteuid() == 0;
}

// True when the current row passed as nobody; what it printed is in `output`.
inline bool passesAsOrdinaryUser(QByteArray &output) {
    QTemporaryDir place;
    const QString home = place.path() + u"/home"_qs, program = place.path() + u"/test"_qs;
    const QString leakList = place.path() + u"/lsan.supp"_qs;
    using P = QFileDevice;
    const auto readable = P::ReadOwner | P::ReadGroup | P::ReadOther;
    const auto enterable = readable | P::ExeOwner | P::ExeGroup | P::ExeOther;
    if (!QDir().mkdir(home) || !QFile::copy(QCoreApplication::applicationFilePath(), program) ||
        !QFile::setPermissions(place.path(), enterable | P::WriteOwner) ||
        !QFile::setPermissions(home, enterable | P::WriteOwner | P::WriteGroup | P::WriteOther) ||
        !QFile::setPermissions(program, enterable))
        return false;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_qs, home);
    environment.insert(u"TMPDIR"_qs, home);
    // The sanitizer build's leak suppressions, from a copy that user can read.
    QString leaks = environment.value(u"LSAN_OPTIONS"_qs);
    const auto found = QRegularExpression(u"suppressions=([^:]*)"_qs).match(leaks);
    if (found.hasMatch() && QFile::copy(found.captured(1), leakList) &&
        QFile::setPermissions(leakList, readable))
        environment.insert(u"LSAN_OPTIONS"_qs, leaks.replace(found.captured(1), leakList));
    QProcess run;
    run.setProcessEnvironment(environment);
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.setWorkingDirectory(home);
    run.start(u"setpriv"_qs,
              {u"--reuid=nobody"_qs, u"--regid=nogroup"_qs, u"--clear-groups"_qs, u"--"_qs, program,
               QString::fromUtf8(QTest::currentTestFunction()) + u':' +
                   QString::fromUtf8(QTest::currentDataTag())});
    const bool finished = run.waitForFinished(120000);
    output = run.readAll();
    return finished && run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0;
}
