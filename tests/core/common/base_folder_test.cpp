// The base folder: beside the executable when a "db" folder is there, else the installation's.
#include "core/common/base_folder.h"

#include <QDir>
#include <gtest/gtest.h>

#include "support/temp_folder.h"

using namespace ronvalo;
using namespace ronvalo::test;

TEST(BaseFolderTest, ExecutableFolderWithTablesElseInstallationsFolder) {
    const std::string data = "/var/lib/ronvalo/";
    enum class Beside { Nothing, Folder, File };
    const struct {
        const char* what;
        Beside beside; // what the executable's folder holds under `name`
        const char* name;
        std::optional<std::string> installed;
        bool executableFolder; // the executable's folder is the base folder
    } cases[] = {
        {"db/ beside: a copied folder", Beside::Folder, "db", data, true},
        {"DB/ beside, any letter case", Beside::Folder, "DB", data, true},
        {"db/ beside, no installation", Beside::Folder, "db", std::nullopt, true},
        {"nothing beside, the installation names a folder", Beside::Nothing, "", data, false},
        {"a file named db is no database folder", Beside::File, "db", data, false},
        {"other folders beside", Beside::Folder, "txt", data, false},
        {"nothing beside, no installation", Beside::Nothing, "", std::nullopt, true},
        {"nothing beside, an empty name names none", Beside::Nothing, "", std::string(), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder executable;
        if (c.beside == Beside::Folder) {
            ASSERT_TRUE(QDir(executable.path()).mkdir(c.name));
        } else if (c.beside == Beside::File) {
            ASSERT_TRUE(writeFileBytes(executable.file(c.name), "x"));
        }
        const std::string expected = c.executableFolder ? executable.baseStd() : data;

        EXPECT_EQ(chooseBaseFolder(executable.baseStd(), c.installed), expected);
    }
}
