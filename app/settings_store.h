#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

class QSettings;

namespace zorvex::app {

// The per-user store of the four integer settings: sections and entries as in
// the registry of old ("PORT"/"SPPEPP"), under the organisation "Halvorn Ltd."
// and the program's base name. On Linux that is an INI file in the user's
// configuration directory. Reading never fails (a missing or unreadable value
// gives the default) and a failed write is ignored.
class SettingsStore {
  public:
    // The user's store of this program.
    SettingsStore();
    // A store in one INI file (tests, portable installs).
    explicit SettingsStore(const QString& iniPath);
    ~SettingsStore();

    int ReadInt(const char* section, const char* entry, int defaultValue) const;
    void WriteInt(const char* section, const char* entry, int value);
    // Bytes of the toolkit's own (the window's size and place); empty when missing.
    QByteArray ReadBytes(const char* section, const char* entry) const;
    void WriteBytes(const char* section, const char* entry, const QByteArray& value);
    void Sync();
    QString location() const;

    // The application name of the store: the program file's base name.
    static QString ApplicationName();

  private:
    std::unique_ptr<QSettings> settings_;
};

}  // namespace zorvex::app
