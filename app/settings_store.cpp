#include "app/settings_store.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>
#include <cstdint>

#include "app/control_ids.h"

namespace zorvex::app {

QString SettingsStore::ApplicationName() {
    QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    return name.isEmpty() ? QStringLiteral("zorvex") : name;
}

SettingsStore::SettingsStore()
    // The registry key of old on Windows, an INI file on Linux.
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QString::fromLatin1(kSettingsOrganisation),
                                            ApplicationName())) {}

SettingsStore::SettingsStore(const QString& iniPath)
    : settings_(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {}

SettingsStore::~SettingsStore() = default;

int SettingsStore::ReadInt(const char* section, const char* entry, int defaultValue) const {
    const QVariant value =
        settings_->value(QString::fromLatin1(section) + QLatin1Char('/') + QLatin1String(entry));
    if (!value.isValid()) return defaultValue;
    bool ok = false;
    // Stored values are 32-bit integers; anything else reads as the default.
    const qlonglong number = value.toString().trimmed().toLongLong(&ok, 0);
    if (!ok || number < INT32_MIN || number > UINT32_MAX) return defaultValue;
    return static_cast<int>(static_cast<int64_t>(number));
}

void SettingsStore::WriteInt(const char* section, const char* entry, int value) {
    settings_->setValue(QString::fromLatin1(section) + QLatin1Char('/') + QLatin1String(entry),
                        value);
}

QByteArray SettingsStore::ReadBytes(const char* section, const char* entry) const {
    return settings_->value(QString::fromLatin1(section) + QLatin1Char('/') + QLatin1String(entry))
        .toByteArray();
}

void SettingsStore::WriteBytes(const char* section, const char* entry, const QByteArray& value) {
    settings_->setValue(QString::fromLatin1(section) + QLatin1Char('/') + QLatin1String(entry),
                        value);
}

void SettingsStore::Sync() {
    settings_->sync();
}

QString SettingsStore::location() const {
    return settings_->fileName();
}

}  // namespace zorvex::app
