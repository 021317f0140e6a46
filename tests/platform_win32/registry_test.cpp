// The Windows registry backend in HKEY_LOCAL_MACHINE: a key made and opened with full access,
// values that keep their types, absent values and keys.
#include "platform/registry.h"

#include <gtest/gtest.h>
#include <windows.h>

using namespace ronvalo::platform;

namespace {

const char* const testKey = "\\SOFTWARE\\Kerbis\\Ronvalo test";

struct RegistryKeyTest : ::testing::Test {
    void SetUp() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kerbis\\Ronvalo test"); }
    void TearDown() override { SetUp(); }
};

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
