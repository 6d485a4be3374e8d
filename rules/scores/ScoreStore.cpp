// Reading and writing the stored table through QSettings.
#include "rules/scores/ScoreStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QStandardPaths>
#include <QVariant>

namespace {

const QString kOrganisation = QStringLiteral("Toquel");
const QString kApplication = QStringLiteral("Toquel");
const QString kKey = QStringLiteral("Skore/HiSkore");

constexpr int kLockWaitMs = 5000;
// A copy of the game that died holding the lock leaves it behind; an update
// takes milliseconds, so a lock this old is stale.
constexpr int kStaleLockMs = 10000;

bool oversized(const QString &file) {
    return QFileInfo(file).size() > ScoreStore::kMaxFileSize;
}

QSettings::Status writeValue(const QString &value) {
    QSettings settings(kOrganisation, kApplication);
    settings.setValue(kKey, value);
    settings.sync();
    return settings.status();
}

} // namespace

QString ScoreStore::fileName() {
    return QSettings(kOrganisation, kApplication).fileName();
}

std::optional<QString> ScoreStore::read() const {
    const QString file = fileName();
    if (QFileInfo::exists(file) && !QFileInfo(file).isReadable())
        return std::nullopt;
    if (oversized(file))
        return QString();
    const QSettings settings(kOrganisation, kApplication);
    if (settings.status() == QSettings::AccessError)
        return std::nullopt;
    const QVariant value = settings.value(kKey);
    if (value.typeId() != QMetaType::QString)
        return QString();
    return value.toString();
}

bool ScoreStore::write(const QString &value) {
    const QString file = fileName();
    // A file the game cannot both read and write is left as it is: what it
    // holds is unknown or not the game's to change. (QSettings would write a
    // file it cannot read anew, with this one entry in it.)
    const QFileInfo info(file);
    if (info.exists() && !(info.isFile() && info.isReadable() && info.isWritable()))
        return false;
    // QSettings would read the whole file first to keep its other entries.
    if (oversized(file) && !QFile::remove(file))
        return false;
    if (writeValue(value) == QSettings::NoError)
        return true;
    // A file that is no settings file at all has no other entries to keep:
    // it makes way for one that is.
    return info.exists() && QFile::remove(file) && writeValue(value) == QSettings::NoError;
}

QString ScoreStore::lockFileName() {
    // The game's own per-user folder (AppLocalDataLocation of "Toquel"/"Toquel"),
    // named here rather than taken from the running program, so that every
    // program that changes the table meets at the same lock. Not beside the
    // settings file: on Windows that is a registry path, not a folder.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + u'/' + kOrganisation + u'/' + kApplication + QStringLiteral("/Toquel.lock");
}

std::unique_ptr<QLockFile> ScoreStore::lock() const {
    const QString file = lockFileName();
    QDir().mkpath(QFileInfo(file).absolutePath());
    auto lock = std::make_unique<QLockFile>(file);
    lock->setStaleLockTime(kStaleLockMs);
    if (!lock->tryLock(kLockWaitMs))
        return {};
    return lock;
}
