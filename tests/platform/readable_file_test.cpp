// What the copy's source opens as: a regular file only, never through a link, never waiting.
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/files.h"
#include "support/temp_folder.h"

using namespace ronvalo;
using namespace ronvalo::test;
using platform::OsErrorKind;

TEST(ReadableFileTest, OnlyARegularFileOpensLinksAreNotFollowed) {
    TempFolder folder;
    ASSERT_TRUE(writeFileBytes(folder.file("plik"), "dane"));
    ASSERT_TRUE(QDir(folder.path()).mkdir("katalog"));
    ASSERT_TRUE(QFile::link(folder.file("plik"), folder.file("do-pliku")));
    ASSERT_TRUE(QFile::link(folder.file("katalog"), folder.file("do-katalogu")));
    ASSERT_TRUE(QFile::link(folder.file("brak"), folder.file("zerwany")));
    ASSERT_EQ(::mkfifo(folder.file("kolejka").toLocal8Bit().constData(), 0600), 0);
    const struct {
        const char* name;
        bool opens;
        bool link;
    } cases[] = {
        {"plik", true, false},     {"katalog", false, false},
        {"do-pliku", false, true}, {"do-katalogu", false, true},
        {"zerwany", false, true},  {"kolejka", false, false}, // a pipe: refused at once
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder.file(c.name).toStdString();
        platform::ReadableFile file;

        const platform::OsError error = file.open(path);

        EXPECT_EQ(file.isOpen(), c.opens);
        EXPECT_EQ(error.kind(), c.opens ? OsErrorKind::None : OsErrorKind::AccessDenied);
        EXPECT_EQ(platform::isLink(path), c.link);
    }
    char bytes[8] = {};
    platform::ReadableFile file;
    ASSERT_FALSE(file.open(folder.file("plik").toStdString()).failed());
    EXPECT_EQ(file.read(bytes, sizeof bytes), 4u) << "a file that opened reads as before";
}

TEST(ReadableFileTest, WritersRefuseALinkAndLeaveItsTarget) {
    TempFolder folder;
    ASSERT_TRUE(writeFileBytes(folder.file("cudzy"), "nie ruszać"));
    ASSERT_TRUE(QFile::link(folder.file("cudzy"), folder.file("do-pliku")));
    ASSERT_TRUE(QFile::link(folder.file("nowy"), folder.file("zerwany")));
    for (const char* name : {"do-pliku", "zerwany"}) {
        SCOPED_TRACE(name);
        const std::string path = folder.file(name).toStdString();
        EXPECT_EQ(platform::appendToFile(path, "x").kind(), OsErrorKind::AccessDenied);
        EXPECT_EQ(platform::createEmptyFile(path).kind(), OsErrorKind::AccessDenied);
    }
    EXPECT_EQ(readFileBytes(folder.file("cudzy")), "nie ruszać");
    EXPECT_FALSE(QFile::exists(folder.file("nowy")));
}
