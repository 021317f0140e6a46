// The installation's data folder as the program reads it from the machine's installation key.
#include "platform/installation.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <windows.h>

using namespace ronvalo::platform;

namespace {

const wchar_t* const installationKey = L"SOFTWARE\\Kerbis\\Ronvalo 2.2";

struct InstalledDataFolderTest : ::testing::Test {
    void SetUp() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, installationKey); }
    void TearDown() override { SetUp(); }
    // Writes the value `name` with `type` and the UTF-16 bytes of `text` with their terminator.
    void write(DWORD type, const std::wstring& text, const wchar_t* name = L"DataFolder") {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, installationKey, 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        const LSTATUS status =
            RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
        ASSERT_EQ(status, ERROR_SUCCESS);
    }
};

} // namespace

TEST_F(InstalledDataFolderTest, TheValueWithItsSeparatorOrNone) {
    EXPECT_EQ(installedDataFolder(), std::nullopt) << "no key";
    const struct {
        DWORD type;
        std::wstring value;
        std::optional<std::string> folder;
    } cases[] = {
        {REG_SZ, L"C:\\ProgramData\\Ronvalo", "C:\\ProgramData\\Ronvalo\\"},
        {REG_SZ, L"C:\\ProgramData\\Ronvalo\\", "C:\\ProgramData\\Ronvalo\\"},
        {REG_SZ, L"D:\\\x141\x00f3\x64\x17a", "D:\\\xC5\x81\xC3\xB3\x64\xC5\xBA\\"}, // "Łódź"
        {REG_SZ, L"", std::nullopt},
        {REG_BINARY, L"C:\\Dane", std::nullopt},
    };
    for (const auto& c : cases) {
        write(c.type, c.value);
        EXPECT_EQ(installedDataFolder(), c.folder) << c.type << ' ' << c.folder.value_or("none");
    }
}

// "Baza" beside "DataFolder", where only administrators write: absent, a string, another type.
TEST_F(InstalledDataFolderTest, TheServerSettingBesideIt) {
    using State = InstalledServerSetting::State;
    EXPECT_EQ(installedServerSetting().state, State::Absent) << "no key";
    write(REG_SZ, L"C:\\ProgramData\\Ronvalo");
    EXPECT_EQ(installedServerSetting().state, State::Absent) << "no value";
    const struct {
        DWORD type;
        std::wstring value;
        State state;
        std::string text;
    } cases[] = {
        {REG_SZ, L"host=serwer dbname=\x141\x00f3\x64\x17a", State::Present,
         "host=serwer dbname=\xC5\x81\xC3\xB3\x64\xC5\xBA"},
        {REG_SZ, L"", State::Present, ""},
        {REG_BINARY, L"host=serwer", State::Unreadable, ""},
    };
    for (const auto& c : cases) {
        write(c.type, c.value, L"Baza");
        const InstalledServerSetting setting = installedServerSetting();
        EXPECT_EQ(setting.state, c.state) << c.type;
        EXPECT_EQ(setting.value, c.text) << c.type;
        EXPECT_EQ(setting.place, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Kerbis\\Ronvalo 2.2, Baza");
    }
}
