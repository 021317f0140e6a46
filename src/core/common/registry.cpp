// Typed access to the settings key.
#include "core/common/registry.h"

#include <cstring>

#include "core/common/connection_setting.h"
#include "core/common/exception.h"

namespace ronvalo {

namespace {

[[noreturn]] void fail(const char* format, const QString& name) {
    throw ERegistryException(QString::fromLatin1(format).arg(name));
}

} // namespace

bool Registry::OpenKey(const QString& key, bool canCreate) {
    key_ = platform::RegistryKey::open(key.toStdString(), canCreate);
    return key_.has_value();
}

bool Registry::ValueExists(const QString& name) const {
    return key_ && key_->valueExists(name.toStdString());
}

platform::RegValue Registry::read(const QString& name) const {
    std::optional<platform::RegValue> value;
    if (key_)
        value = key_->query(name.toStdString());
    if (!value)
        fail("Failed to get data for '%1'", name);
    return *value;
}

void Registry::write(const QString& name, const platform::RegValue& value) {
    if (!key_ || !key_->set(name.toStdString(), value))
        fail("Failed to set data for '%1'", name);
}

qint32 Registry::ReadInteger(const QString& name) const {
    const auto value = read(name);
    if (value.type != platform::RegType::Dword || value.data.size() != 4)
        fail("Invalid data type for '%1'", name);
    quint32 number = 0;
    std::memcpy(&number, value.data.data(), 4); // little-endian, as the hive stores it
    return static_cast<qint32>(number);
}

void Registry::WriteInteger(const QString& name, qint32 value) {
    platform::RegValue data{platform::RegType::Dword, std::vector<std::uint8_t>(4)};
    std::memcpy(data.data.data(), &value, 4);
    write(name, data);
}

// The platform hands the value's bytes over as stored: UTF-16 on Windows, the hive file's UTF-8
// elsewhere; either way up to a terminating zero.
QString Registry::ReadString(const QString& name) const {
    const auto value = read(name);
    if (value.type != platform::RegType::String)
        fail("Invalid data type for '%1'", name);
#ifdef _WIN32
    QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(value.data.data()),
                                      qsizetype(value.data.size() / 2));
#else
    QString text = QString::fromUtf8(reinterpret_cast<const char*>(value.data.data()),
                                     qsizetype(value.data.size()));
#endif
    if (const qsizetype end = text.indexOf(QChar(0)); end >= 0)
        text.truncate(end);
    return text;
}

TDateTime Registry::ReadDateTimeBinary(const QString& name) const {
    const auto value = read(name);
    if (value.type != platform::RegType::Binary || value.data.size() != sizeof(double))
        fail("Invalid data type for '%1'", name);
    double date = 0;
    std::memcpy(&date, value.data.data(), sizeof date);
    return date;
}

void Registry::WriteDateTimeBinary(const QString& name, TDateTime value) {
    platform::RegValue data{platform::RegType::Binary, std::vector<std::uint8_t>(sizeof value)};
    std::memcpy(data.data.data(), &value, sizeof value);
    write(name, data);
}

namespace {

const QString serverValue = QStringLiteral("Baza");

QString operatorsServerPlace() {
    return QStringLiteral("HKEY_LOCAL_MACHINE%1, %2").arg(settingsKey, serverValue);
}

QString administratorsServerSetting(const platform::InstalledServerSetting& setting) {
    using State = platform::InstalledServerSetting::State;
    const QString place = QString::fromStdString(setting.place);
    switch (setting.state) {
    case State::Absent:
        return {};
    case State::Present:
        return checkedConnectionSetting(QString::fromStdString(setting.value), place);
    case State::NotProtected:
        throw EServerSetting(
            QStringLiteral("Ustawienia serwera bazy danych (%1) nie użyto: zmienić je może nie "
                           "tylko administrator (plik i jego folder mają należeć do root i tylko "
                           "root może je zapisywać)")
                .arg(place));
    case State::Unreadable:
        break;
    }
    throw EServerSetting(
        QStringLiteral("Nie można odczytać ustawienia serwera bazy danych (%1): %2")
            .arg(place, QString::fromStdString(setting.error.text())));
}

} // namespace

QString databaseServerSetting(const LogWriter& noteIgnored) {
    return databaseServerSetting(platform::installedDataFolder().has_value(),
                                 platform::installedServerSetting, noteIgnored);
}

QString
databaseServerSetting(bool installed,
                      const std::function<platform::InstalledServerSetting()>& administrators,
                      const LogWriter& noteIgnored) {
    Registry settings;
    const bool inSettingsKey =
        settings.OpenKey(settingsKey, false) && settings.ValueExists(serverValue);
    if (!installed)
        return inSettingsKey ? checkedConnectionSetting(settings.ReadString(serverValue),
                                                        operatorsServerPlace())
                             : QString();
    const platform::InstalledServerSetting setting = administrators();
    if (inSettingsKey && noteIgnored)
        noteIgnored(QStringLiteral("Pominięto ustawienie serwera bazy danych z %1: program "
                                   "zainstalowany czyta je tylko z %2")
                        .arg(operatorsServerPlace(), QString::fromStdString(setting.place)));
    return administratorsServerSetting(setting);
}

} // namespace ronvalo
