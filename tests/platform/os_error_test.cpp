// The system's errors as the program names them: kinds, texts, and the error a failed call
// leaves behind.
#include "core/common/io_error.h"
#include "platform/files.h"
#include "support/temp_folder.h"

#include <cerrno>
#include <gtest/gtest.h>

using namespace ronvalo;
using platform::OsError;
using platform::OsErrorKind;

TEST(OsError, KindsAndTheTextsShownForThem) {
    const struct {
        int code;
        OsErrorKind kind;
        const char* text;
    } cases[] = {
        {0, OsErrorKind::None, "I/O error 0"},
        {ENOENT, OsErrorKind::NotFound, "File not found"},
        {ENOTDIR, OsErrorKind::PathNotFound, "Path not found"},
        {EACCES, OsErrorKind::AccessDenied, "File access denied"},
        {EROFS, OsErrorKind::AccessDenied, "File access denied"},
        {EMFILE, OsErrorKind::TooManyOpenFiles, "Too many open files"},
        {ENOSPC, OsErrorKind::DiskFull, "Disk full"},
        {EIO, OsErrorKind::DeviceError, "Disk write error"},
        {EXDEV, OsErrorKind::Other, "I/O error 18"},
    };
    for (const auto& c : cases) {
        const OsError error = OsError::fromCode(c.code);
        EXPECT_EQ(error.failed(), c.code != 0) << c.code;
        EXPECT_EQ(error.kind(), c.kind) << c.code;
        EXPECT_EQ(ioErrorText(error), c.text) << c.code;
    }
    EXPECT_FALSE(OsError::fromCode(ENOENT).text().empty());
}

TEST(OsError, AFailedCallReportsItsOwnError) {
    test::TempFolder folder;
    const std::string missing = folder.file("no/such/file").toStdString();
    EXPECT_EQ(platform::appendToFile(missing, "x").kind(), OsErrorKind::NotFound);
    EXPECT_EQ(platform::renameFile(missing, missing + "2").code(), ENOENT);
    platform::ReadableFile file;
    EXPECT_EQ(file.open(folder.path().toStdString()).kind(), OsErrorKind::AccessDenied)
        << "a folder is no file to copy";
    EXPECT_FALSE(file.isOpen());
    OsError::clearLast();
    EXPECT_EQ(OsError::last().kind(), OsErrorKind::DeviceError) << "no error left: a device error";
}
