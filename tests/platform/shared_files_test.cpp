// Files of an installation shared by a group: what the umask becomes, what a new file gets.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/store/schema.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "support/temp_folder.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

// Sets the umask for one test and puts the previous one back.
struct ScopedUmask {
    explicit ScopedUmask(mode_t mask) : previous(::umask(mask)) {}
    ~ScopedUmask() { ::umask(previous); }
    mode_t current() const {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return mask;
    }
    mode_t previous;
};

mode_t permissionsOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

} // namespace

TEST(SharedFilesTest, GroupGetsTheOwnersRightsOthersNeverWrite) {
    const struct {
        mode_t before, after;
    } cases[] = {{022, 002}, {077, 007}, {027, 007}, {002, 002}, {000, 002}, {072, 002}};
    for (const auto& c : cases) {
        ScopedUmask mask(c.before);
        platform::shareNewFilesWithGroup();
        EXPECT_EQ(mask.current(), c.after) << std::oct << "umask " << c.before;
    }
}

TEST(SharedFilesTest, HiveRewriteAndLogStayWritableForTheGroup) {
    TempFolder folder;
    ScopedEnv env{"RONVALO_REGISTRY", folder.file("hive.reg").toUtf8()};
    ScopedUmask mask(022);
    platform::shareNewFilesWithGroup();
    auto key = platform::RegistryKey::open("SOFTWARE\\Kerbis\\Ronvalo 2.0", true);
    ASSERT_TRUE(key);
    ASSERT_TRUE(key->set("COM", {platform::RegType::Dword, {1, 0, 0, 0}}));
    EXPECT_EQ(permissionsOf(folder.baseStd() + "hive.reg"), 0664u);
    ASSERT_FALSE(platform::createEmptyFile(folder.baseStd() + "serwis.log").failed());
    EXPECT_EQ(permissionsOf(folder.baseStd() + "serwis.log"), 0664u);
    ASSERT_FALSE(platform::createFolders(folder.baseStd() + "BACKUP").failed());
    EXPECT_EQ(permissionsOf(folder.baseStd() + "BACKUP"), 0775u);
}

TEST(SharedFilesTest, EmptyTablesAreWritableForTheGroup) {
    TempFolder folder;
    ScopedUmask mask(022);
    platform::shareNewFilesWithGroup();
    ASSERT_TRUE(createEmptyDatabase(folder.path(), nullptr));
    for (const char* table : {"db/Odbicia.db", "db/Czytniki.db", "db/NrOdc.DB", "db/Obchody.db"})
        EXPECT_EQ(permissionsOf(folder.baseStd() + table), 0664u) << table;
    EXPECT_EQ(permissionsOf(folder.baseStd() + "txt"), 0775u);
}
