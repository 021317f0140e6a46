// The settings key over a real hive file: types, errors, damaged files, atomic writes.
#include "core/common/registry.h"

#include <QDir>
#include <gtest/gtest.h>

#include "core/common/connection_setting.h"
#include "core/common/exception.h"
#include "platform/files.h"
#include "support/temp_folder.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

struct RegistryTest : ::testing::Test {
    TempFolder folder;
    ScopedEnv env{"RONVALO_REGISTRY", folder.file("hive.reg").toUtf8()};
    QString hive() const { return folder.file("hive.reg"); }

    QString errorOf(const std::function<void()>& action) {
        try {
            action();
        } catch (const ERegistryException& error) {
            return error.message();
        }
        return "no error";
    }
};

} // namespace

TEST_F(RegistryTest, WritesRegedit4AndReadsBack) {
    Registry key;
    ASSERT_TRUE(key.OpenKey(settingsKey, true));
    key.WriteInteger("COM", 3);
    key.WriteDateTimeBinary("BackupDate", 38103.25);
    EXPECT_EQ(key.ReadInteger("COM"), 3);
    EXPECT_DOUBLE_EQ(key.ReadDateTimeBinary("BackupDate"), 38103.25);
    const QByteArray text = readFileBytes(hive());
    EXPECT_TRUE(text.startsWith("REGEDIT4\r\n"));
    EXPECT_TRUE(text.contains("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kerbis\\Ronvalo 2.0]\r\n"));
    EXPECT_TRUE(text.contains("\"COM\"=dword:00000003\r\n"));
    EXPECT_TRUE(text.contains("\"BackupDate\"=hex:00,00,00,00,e8,9a,e2,40\r\n"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"hive.reg"});
}

TEST_F(RegistryTest, TypeAndPresenceErrors) {
    Registry key;
    ASSERT_TRUE(key.OpenKey(settingsKey, true));
    EXPECT_EQ(errorOf([&] { key.ReadInteger("COM"); }), "Failed to get data for 'COM'");
    key.WriteDateTimeBinary("COM", 1.0);
    EXPECT_EQ(errorOf([&] { key.ReadInteger("COM"); }), "Invalid data type for 'COM'");
    key.WriteInteger("BackupDate", 1);
    EXPECT_EQ(errorOf([&] { key.ReadDateTimeBinary("BackupDate"); }),
              "Invalid data type for 'BackupDate'");
}

TEST_F(RegistryTest, DamagedHiveReadsWithoutCrashing) {
    ASSERT_TRUE(writeFileBytes(hive(), "REGEDIT4\r\n\r\n"
                                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kerbis\\Ronvalo 2.0]\r\n"
                                       "\"COM\"=dword:0000\r\n"                // truncated
                                       "\"BackupDate\"=hex:00,00,00,00,90\r\n" // 5 bytes only
                                       "\"Odd\"=weird:12\r\n"                  // unknown type
                                       "\"Open=dword:00000001\r\n"             // broken quote
                                       "\"Str\"=\"a\\\"b\"\r\n"
                                       "\"Big\"=hex(b):01,02,03,04,05,06,07,08\r\n"
                                       "garbage line\r\n[unclosed\r\n"));
    Registry key;
    ASSERT_TRUE(key.OpenKey(settingsKey, true));
    EXPECT_FALSE(key.ValueExists("COM"));
    EXPECT_FALSE(key.ValueExists("Odd"));
    EXPECT_TRUE(key.ValueExists("Str"));
    EXPECT_EQ(errorOf([&] { key.ReadDateTimeBinary("BackupDate"); }),
              "Invalid data type for 'BackupDate'");
    EXPECT_EQ(errorOf([&] { key.ReadInteger("Big"); }), "Invalid data type for 'Big'");
    key.WriteInteger("COM", 2); // rewriting keeps the values that were read
    Registry again;
    ASSERT_TRUE(again.OpenKey(settingsKey, false));
    EXPECT_EQ(again.ReadInteger("COM"), 2);
    EXPECT_TRUE(again.ValueExists("Str"));
}

TEST_F(RegistryTest, HiveThatCannotBeWrittenIsAKeyThatCannotBeOpened) {
    ASSERT_TRUE(writeFileBytes(folder.file("plain-file"), "x"));
    ScopedEnv blocked{"RONVALO_REGISTRY", folder.file("plain-file/hive.reg").toUtf8()};
    Registry key;
    EXPECT_FALSE(key.OpenKey(settingsKey, true));
    EXPECT_FALSE(key.ValueExists("BackupDate"));
    EXPECT_EQ(errorOf([&] { key.WriteInteger("COM", 1); }), "Failed to set data for 'COM'");

    ScopedEnv readOnly{"RONVALO_REGISTRY", hive().toUtf8()};
    ASSERT_TRUE(writeFileBytes(hive(), "REGEDIT4\r\n"));
    ASSERT_FALSE(platform::setReadOnly(hive().toStdString(), true).failed());
    EXPECT_FALSE(key.OpenKey(settingsKey, true));
}

// "Baza" as an administrator writes it into the hive file: a string, read up to its end.
TEST_F(RegistryTest, TheServerSettingIsAnOptionalString) {
    EXPECT_EQ(databaseServerSetting(), ""); // no key at all
    Registry key;
    ASSERT_TRUE(key.OpenKey(settingsKey, true));
    key.WriteInteger("COM", 1);
    EXPECT_EQ(databaseServerSetting(), ""); // no value
    ASSERT_TRUE(writeFileBytes(hive(), "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kerbis\\"
                                       "Ronvalo 2.0]\r\n\"Baza\"=\" host=serwer.example "
                                       "dbname=ronvalo user=łódź \"\r\n"));
    EXPECT_EQ(databaseServerSetting(),
              "host=serwer.example dbname=ronvalo user=łódź sslmode=verify-full");
    ASSERT_TRUE(key.OpenKey(settingsKey, true));
    key.WriteInteger("Baza", 1);
    EXPECT_EQ(errorOf([] { databaseServerSetting(); }), "Invalid data type for 'Baza'");
}

// Where "Baza" comes from: a copied folder or a build reads the settings key; an installed
// program only the administrators' place, and says once that it ignored the operators' value.
TEST_F(RegistryTest, TheServerSettingOfAnInstalledProgramIsTheAdministrators) {
    using State = platform::InstalledServerSetting::State;
    const auto admin = [](State state, std::string value = {}, platform::OsError error = {}) {
        return platform::InstalledServerSetting{state, std::move(value), "/etc/ronvalo/baza",
                                                error};
    };
    const QString operatorsPlace = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Kerbis\\Ronvalo 2.0, Baza";
    const QString ignored = "Pominięto ustawienie serwera bazy danych z " + operatorsPlace +
                            ": program zainstalowany czyta je tylko z /etc/ronvalo/baza";
    const struct {
        bool installed;
        std::optional<QByteArray> operators; // the "Baza" line's data in the settings key
        platform::InstalledServerSetting administrators;
        QString outcome; // the setting passed on, or the refusal
        QStringList log;
    } cases[] = {
        {false, std::nullopt, admin(State::Present, "host=admin"), "", {}},
        {false,
         "\"host=/run/ops dbname=d\"",
         admin(State::Present, "host=admin"),
         "host=/run/ops dbname=d sslmode=verify-full",
         {}},
        {false,
         "\"host=ops hostaddr=10.0.0.1\"",
         {},
         "Ustawienie serwera bazy danych (" + operatorsPlace +
             "): słowo kluczowe „hostaddr” jest niedozwolone; dozwolone: host, port, dbname, "
             "user, sslmode, sslrootcert, connect_timeout, application_name, keepalives, "
             "keepalives_idle, keepalives_interval, keepalives_count",
         {}},
        {true, std::nullopt, admin(State::Absent), "", {}},
        {true, "\"host=ops sslmode=disable\"", admin(State::Absent), "", {ignored}},
        {true, "dword:00000001", admin(State::Absent), "", {ignored}},
        {true,
         "\"host=ops\"",
         admin(State::Present, "host=admin dbname=d\n"),
         "host=admin dbname=d sslmode=verify-full",
         {ignored}},
        {true,
         std::nullopt,
         admin(State::Present, "host=admin sslmode=allow"),
         "Ustawienie serwera bazy danych (/etc/ronvalo/baza): sslmode=allow jest niedozwolone "
         "przez sieć; dozwolone: verify-full (także bez sslmode), verify-ca",
         {}},
        {true,
         std::nullopt,
         admin(State::NotProtected, "host=admin"),
         "Ustawienia serwera bazy danych (/etc/ronvalo/baza) nie użyto: zmienić je może nie "
         "tylko administrator (plik i jego folder mają należeć do root i tylko root może je "
         "zapisywać)",
         {}},
        {true,
         std::nullopt,
         admin(State::Unreadable, "", platform::OsError::fromCode(EACCES)),
         "Nie można odczytać ustawienia serwera bazy danych (/etc/ronvalo/baza): " +
             QString::fromStdString(platform::OsError::fromCode(EACCES).text()),
         {}},
    };
    for (const auto& c : cases) {
        QByteArray hive = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kerbis\\Ronvalo 2.0]\r\n"
                          "\"COM\"=dword:00000001\r\n";
        if (c.operators)
            hive += "\"Baza\"=" + *c.operators + "\r\n";
        ASSERT_TRUE(writeFileBytes(this->hive(), hive));
        QStringList log;
        QString outcome;
        try {
            outcome = databaseServerSetting(
                c.installed, [&] { return c.administrators; },
                [&](const QString& line) { log.append(line); });
        } catch (const EServerSetting& error) {
            outcome = error.message();
        }
        EXPECT_EQ(outcome, c.outcome)
            << c.installed << ' ' << c.operators.value_or("none").constData();
        EXPECT_EQ(log, c.log) << c.installed << ' ' << c.operators.value_or("none").constData();
    }
}
