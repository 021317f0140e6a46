// The settings key over a real hive file: types, errors, damaged files, atomic writes.
#include "common/registry.h"

#include <QDir>
#include <gtest/gtest.h>

#include "common/exception.h"
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
    EXPECT_EQ(databaseServerSetting(), "host=serwer.example dbname=ronvalo user=łódź");
    ASSERT_TRUE(key.OpenKey(settingsKey, true));
    key.WriteInteger("Baza", 1);
    EXPECT_EQ(errorOf([] { databaseServerSetting(); }), "Invalid data type for 'Baza'");
}
