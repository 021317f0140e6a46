// The settings key as the program uses it: typed values, errors raised with the system's texts.
#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "core/common/ole_date.h"
#include "core/common/service_log.h"
#include "platform/installation.h"
#include "platform/registry.h"

namespace ronvalo {

// Settings key of the program under HKEY_LOCAL_MACHINE.
inline const QString settingsKey = QStringLiteral("\\SOFTWARE\\Kerbis\\Ronvalo 2.0");

// One open key; released when the object goes (also when a step failed).
class Registry {
public:
    // Opens to read and write values, creating the key when absent. False when it could not; then
    // every value reads as absent and every write fails.
    bool OpenKey(const QString& key, bool canCreate);
    void CloseKey() { key_.reset(); }
    bool ValueExists(const QString& name) const;

    // REG_DWORD. "Failed to get data for '%s'" when absent, "Invalid data type for '%s'" when of
    // another type or size.
    qint32 ReadInteger(const QString& name) const;
    void WriteInteger(const QString& name, qint32 value); // "Failed to set data for '%s'"

    // REG_SZ, up to its terminating zero. "Failed to get data for '%s'" when absent, "Invalid
    // data type for '%s'" when of another type.
    QString ReadString(const QString& name) const;

    // REG_BINARY of exactly 8 bytes holding a little-endian double (a date-time).
    TDateTime ReadDateTimeBinary(const QString& name) const;
    void WriteDateTimeBinary(const QString& name, TDateTime value);

private:
    platform::RegValue read(const QString& name) const;
    void write(const QString& name, const platform::RegValue& value);
    std::optional<platform::RegistryKey> key_;
};

// The optional setting "Baza": the libpq connection string of the PostgreSQL server that holds
// the tables, as checkedConnectionSetting() lets it through; empty (the local files) when it is
// not set. An installed program (one that platform::installedDataFolder() names a folder for)
// reads it only where administrators write (platform::installedServerSetting()) and ignores a
// "Baza" in the settings key, which every operator may write, telling `noteIgnored` once; a
// copied folder or a build reads the settings key as ever. Raises ERegistryException (a value of
// another type, a setting that is unreadable, unprotected or refused: EServerSetting).
QString databaseServerSetting(const LogWriter& noteIgnored = {});

// The same with the installation's answers given, for tests.
QString
databaseServerSetting(bool installed,
                      const std::function<platform::InstalledServerSetting()>& administrators,
                      const LogWriter& noteIgnored);

} // namespace ronvalo
