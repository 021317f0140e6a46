// Typed access to the settings key.
#include "common/registry.h"

#include <cstring>

#include "common/exception.h"

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

QString databaseServerSetting() {
    Registry settings;
    if (!settings.OpenKey(settingsKey, false) || !settings.ValueExists(QStringLiteral("Baza")))
        return {};
    return settings.ReadString(QStringLiteral("Baza")).trimmed();
}

} // namespace ronvalo
