// The Windows registry backend in HKEY_LOCAL_MACHINE: a key made and opened for its values only,
// values that keep their types, absent values and keys, the rights an installer gives users.
#include "platform/registry_win32.h"

#include <aclapi.h>
#include <algorithm>
#include <gtest/gtest.h>
#include <vector>
#include <windows.h>

using namespace ronvalo::platform;

namespace {

const char* const testKey = "\\SOFTWARE\\Kerbis\\Ronvalo test";

const wchar_t* const testKeyName = L"SOFTWARE\\Kerbis\\Ronvalo test";

struct RegistryKeyTest : ::testing::Test {
    void SetUp() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, testKeyName); }
    void TearDown() override { SetUp(); }
};

std::vector<BYTE> usersSid() {
    std::vector<BYTE> sid(SECURITY_MAX_SID_SIZE);
    DWORD size = static_cast<DWORD>(sid.size());
    CreateWellKnownSid(WinBuiltinUsersSid, nullptr, sid.data(), &size);
    return sid;
}

// Gives Users full control of the test key, as an older installation did to its settings key.
void grantUsersFullControl() {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, testKeyName, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    std::vector<BYTE> users = usersSid();
    EXPLICIT_ACCESSW access{};
    access.grfAccessPermissions = KEY_ALL_ACCESS;
    access.grfAccessMode = GRANT_ACCESS;
    access.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.ptstrName = reinterpret_cast<LPWSTR>(users.data());
    PACL current = nullptr, updated = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(GetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                              &current, nullptr, &descriptor),
              ERROR_SUCCESS);
    ASSERT_EQ(SetEntriesInAclW(1, &access, current, &updated), ERROR_SUCCESS);
    ASSERT_EQ(SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                              updated, nullptr),
              ERROR_SUCCESS);
    LocalFree(updated);
    LocalFree(descriptor);
    RegCloseKey(key);
}

// The access masks of the test key's own (not inherited) entries that allow Users something.
std::vector<ACCESS_MASK> usersOwnEntries() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, testKeyName, 0, READ_CONTROL, &key) != ERROR_SUCCESS)
        return {};
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    std::vector<ACCESS_MASK> masks;
    std::vector<BYTE> users = usersSid();
    if (GetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                        nullptr, &descriptor) == ERROR_SUCCESS &&
        dacl) {
        for (DWORD i = 0; i < dacl->AceCount; ++i) {
            ACCESS_ALLOWED_ACE* ace = nullptr;
            if (!GetAce(dacl, i, reinterpret_cast<void**>(&ace)) ||
                ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE ||
                (ace->Header.AceFlags & INHERITED_ACE))
                continue;
            if (EqualSid(&ace->SidStart, users.data()))
                masks.push_back(ace->Mask);
        }
    }
    LocalFree(descriptor);
    RegCloseKey(key);
    return masks;
}

bool underWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

} // namespace

TEST_F(RegistryKeyTest, ValuesKeepTheirTypesAndBytes) {
    EXPECT_FALSE(RegistryKey::open(testKey, false).has_value()) << "absent and not to be made";
    auto key = RegistryKey::open(testKey, true);
    ASSERT_TRUE(key);

    const RegValue values[] = {
        {RegType::Dword, {3, 0, 0, 0}},
        {RegType::Binary, {0, 0, 0, 0, 0x10, 0x9B, 0xE2, 0x40}},
        {RegType::Binary, {}},
        {RegType::String, {'1', 0, 0, 0}}, // UTF-16 "1" with its terminator
    };
    for (const RegValue& value : values) {
        ASSERT_TRUE(key->set("COM", value));
        EXPECT_EQ(key->query("COM"), value) << static_cast<int>(value.type);
    }

    // A second opening sees the same key; the value survives the first one's release.
    key.reset();
    auto again = RegistryKey::open(testKey, false);
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->valueExists("com")) << "value names ignore case";
    EXPECT_FALSE(again->valueExists("BackupDate"));
    EXPECT_EQ(again->query("BackupDate"), std::nullopt);
    EXPECT_TRUE(again->remove("COM"));
    EXPECT_FALSE(again->valueExists("COM"));
    EXPECT_FALSE(again->remove("COM"));
}

TEST_F(RegistryKeyTest, TheProgramsHandleReadsAndWritesValuesOnly) {
    auto key = RegistryKey::open(testKey, true);
    ASSERT_TRUE(key);
    ASSERT_TRUE(key->set("COM", {RegType::Dword, {1, 0, 0, 0}}));
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    EXPECT_NE(GetSecurityInfo(key->handle()->key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, &dacl, nullptr, &descriptor),
              ERROR_SUCCESS)
        << "the key's rights are not the program's to read or change";
    LocalFree(descriptor);
    // Wine does not check a parent key's handle when a subkey is made through it.
    if (!underWine()) {
        HKEY sub = nullptr;
        EXPECT_EQ(RegCreateKeyExW(key->handle()->key, L"sub", 0, nullptr, 0, KEY_READ, nullptr,
                                  &sub, nullptr),
                  ERROR_ACCESS_DENIED)
            << "no subkeys through the program's handle";
    }
}

// What the installer's ronvalo-newdb --settings-key leaves: one entry of the key's own lets Users
// query and set values, and no entry gives them more than reading the key, also where an older
// installation had given them full control. Wine runs everything with full rights, so what a
// standard account is then refused shows only on Windows; the entries themselves show here.
TEST_F(RegistryKeyTest, UsersGetValuesOnlyAlsoAfterAnOlderInstallation) {
    const ACCESS_MASK reading = KEY_READ | GENERIC_READ; // Wine's default entry is GENERIC_READ
    for (const bool older : {false, true}) {
        SCOPED_TRACE(older ? "key of an older installation" : "new key");
        SetUp();
        if (older) {
            grantUsersFullControl();
            const auto before = usersOwnEntries();
            ASSERT_NE(std::find(before.begin(), before.end(), KEY_ALL_ACCESS), before.end());
        }
        for (int run = 0; run < 2; ++run) { // a reinstallation runs it again
            auto key = RegistryKey::open(testKey, true);
            ASSERT_TRUE(key);
            EXPECT_TRUE(key->allowEveryUserToReadAndWrite());
        }
        const auto after = usersOwnEntries();
        EXPECT_NE(
            std::find(after.begin(), after.end(), ACCESS_MASK(KEY_QUERY_VALUE | KEY_SET_VALUE)),
            after.end());
        for (const ACCESS_MASK mask : after)
            EXPECT_EQ(mask & ~(reading | KEY_SET_VALUE), 0u) << std::hex << mask;
    }
}
