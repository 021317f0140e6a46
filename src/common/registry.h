// The settings key as the program uses it: typed values, errors raised with the system's texts.
#pragma once

#include <QString>
#include <optional>

#include "common/ole_date.h"
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

// The optional value "Baza": the libpq connection string of the PostgreSQL server that holds the
// tables; empty (the local files) when the key or the value is absent. Raises as ReadString.
QString databaseServerSetting();

} // namespace ronvalo
