// The installation's server setting file: used only when nobody but root may change it.
#include "platform/installation_posix.h"

#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/temp_folder.h"

using namespace ronvalo;
using namespace ronvalo::test;
using State = platform::InstalledServerSetting::State;

TEST(InstalledServerSettingTest, OnlyAFileNobodyButRootChanges) {
    // Run by another account, its own files are not root's: refused like anybody's.
    const State rootsOwn = ::geteuid() == 0 ? State::Present : State::NotProtected;
    const std::string setting = "host=serwer.example\ndbname=ronvalo\n";
    const struct {
        const char* what;
        std::function<void(const std::string& folder, const std::string& file)> prepare;
        State state;
    } cases[] = {
        {"no file", [](auto&, auto&) {}, State::Absent},
        {"no folder",
         [](auto& folder, auto& file) {
             ::unlink(file.c_str());
             ::rmdir(folder.c_str());
         },
         State::Absent},
        {"0644 in a 0755 folder", [](auto&, auto&) {}, rootsOwn},
        {"0600", [](auto&, auto& file) { ::chmod(file.c_str(), 0600); }, rootsOwn},
        {"group may write", [](auto&, auto& file) { ::chmod(file.c_str(), 0664); },
         State::NotProtected},
        {"others may write", [](auto&, auto& file) { ::chmod(file.c_str(), 0646); },
         State::NotProtected},
        {"the group may write the folder",
         [](auto& folder, auto&) { ::chmod(folder.c_str(), 02775); }, State::NotProtected},
        {"others may write the folder", [](auto& folder, auto&) { ::chmod(folder.c_str(), 01777); },
         State::NotProtected},
        {"another account's file",
         [](auto&, auto& file) {
             if (::chown(file.c_str(), 65534, 65534) != 0) // only root can give it away
                 ::chmod(file.c_str(), 0664);
         },
         State::NotProtected},
        {"a link to a protected file",
         [](auto&, auto& file) {
             ::rename(file.c_str(), (file + ".real").c_str());
             ::symlink((file + ".real").c_str(), file.c_str());
         },
         State::NotProtected},
        {"a FIFO",
         [](auto&, auto& file) {
             ::unlink(file.c_str());
             ::mkfifo(file.c_str(), 0644);
         },
         State::NotProtected},
        {"a folder",
         [](auto&, auto& file) {
             ::unlink(file.c_str());
             ::mkdir(file.c_str(), 0755);
         },
         State::NotProtected},
    };
    for (const auto& c : cases) {
        TempFolder root;
        const std::string folder = root.baseStd() + "ronvalo";
        const std::string file = folder + "/baza";
        ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
        if (std::string(c.what) != "no file") {
            ASSERT_TRUE(writeFileBytes(QString::fromStdString(file), setting.c_str()));
            ASSERT_EQ(::chmod(file.c_str(), 0644), 0);
        }
        c.prepare(folder, file);
        const platform::InstalledServerSetting read = platform::readServerSettingFile(file);
        EXPECT_EQ(read.state, c.state) << c.what;
        EXPECT_EQ(read.place, file) << c.what;
        EXPECT_EQ(read.value, c.state == State::Present ? setting : "") << c.what;
        ::chmod(folder.c_str(), 0755);
    }
}
