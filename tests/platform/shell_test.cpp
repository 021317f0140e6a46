// The shell's "open" verb on POSIX: the link reaches the desktop's opener whole and at once,
// and a desktop without an opener is reported.
#include "platform/shell.h"
#include "support/temp_folder.h"

#include <QFile>
#include <QTest>
#include <gtest/gtest.h>

using namespace ronvalo;
using namespace ronvalo::test;

TEST(ShellOpen, HandsTheLinkToTheDesktopsOpener) {
    TempFolder folder;
    const QString opened = folder.file("opened");
    const QString opener = folder.file("xdg-open");
    ASSERT_TRUE(
        writeFileBytes(opener, "#!/bin/sh\nprintf '%s' \"$1\" > '" + opened.toUtf8() + "'\n"));
    ASSERT_TRUE(QFile::setPermissions(opener, QFile::ReadOwner | QFile::ExeOwner));

    const struct {
        const char* path;
        bool handed;
    } cases[] = {{"/nonexistent", false}, {nullptr, true}};
    for (const auto& c : cases) {
        const ScopedEnv path("PATH", c.path ? QByteArray(c.path) : folder.path().toUtf8());
        const std::string link = "mailto:biuro@example.pl?subject=Ronvalo 2.2";
        EXPECT_EQ(platform::shellOpen(link, 0), c.handed) << (c.path ? c.path : "opener");
        if (c.handed) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(opened); }, 5000));
            EXPECT_TRUE(
                QTest::qWaitFor([&] { return readFileBytes(opened) == link.c_str(); }, 5000));
        }
    }
}
