// Reading and writing the stored table through QSettings.
#include "ScoreStore.h"

#include <QSettings>
#include <QVariant>

namespace {

const QString kOrganisation = QStringLiteral("Toquel");
const QString kApplication = QStringLiteral("Toquel");
const QString kKey = QStringLiteral("Skore/HiSkore");

} // namespace

QString ScoreStore::read() const {
    const QSettings settings(kOrganisation, kApplication);
    const QVariant value = settings.value(kKey);
    if (value.typeId() != QMetaType::QString)
        return {};
    return value.toString();
}

bool ScoreStore::write(const QString &value) {
    QSettings settings(kOrganisation, kApplication);
    settings.setValue(kKey, value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}
