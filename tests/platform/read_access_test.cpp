// Which refusal keeps a file from being read: not there, closed to the account, or behind a
// folder the account may not enter. Root reads whatever the permission bits say, so as root the
// checks run in a child process that has become "nobody", which they do stop.
#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/files.h"
#include "support/temp_folder.h"

using namespace ronvalo;
using namespace ronvalo::test;
using platform::OsErrorKind;

namespace {

constexpr uid_t nobody = 65534;

struct Case {
    const char* name;
    OsErrorKind kind;
    bool folderRefused;
};

// The cases that do not hold, each named on stderr: run where the account's rights apply.
int mismatches(const std::string& base, const std::vector<Case>& cases) {
    int wrong = 0;
    for (const Case& c : cases) {
        const platform::ReadAccess access = platform::readAccess(base + c.name);
        if (access.error.kind() != c.kind || access.folderRefused != c.folderRefused) {
            std::fprintf(stderr, "%s: kind %d, folder %d\n", c.name, int(access.error.kind()),
                         int(access.folderRefused));
            ++wrong;
        }
    }
    return wrong;
}

} // namespace

TEST(ReadAccess, TellsAMissingFileFromAClosedFileAndAClosedFolder) {
    TempFolder folder;
    const QString base = folder.base();
    ASSERT_TRUE(QDir(base).mkdir("otwarty"));
    ASSERT_TRUE(QDir(base).mkdir("zamkniety"));
    for (const char* name : {"otwarty/czytelny.db", "otwarty/zamkniety.db", "zamkniety/plik.db"})
        ASSERT_TRUE(writeFileBytes(base + name, "SQLite format 3"));
    for (const auto& [name, mode] :
         {std::pair{"", 0755}, std::pair{"otwarty", 0755}, std::pair{"otwarty/czytelny.db", 0644},
          std::pair{"otwarty/zamkniety.db", 0600}, std::pair{"zamkniety", 0700},
          std::pair{"zamkniety/plik.db", 0644}})
        ASSERT_EQ(::chmod((base + name).toLocal8Bit().constData(), mode), 0) << name;
    const std::vector<Case> cases{
        {"otwarty/czytelny.db", OsErrorKind::None, false},
        {"otwarty/brak.db", OsErrorKind::NotFound, false},
        {"otwarty", OsErrorKind::NotFound, false}, // a folder in the file's place
        {"otwarty/czytelny.db/x", OsErrorKind::PathNotFound, false},
        {"otwarty/zamkniety.db", OsErrorKind::AccessDenied, false},
        {"zamkniety/plik.db", OsErrorKind::AccessDenied, true},
        {"zamkniety/brak.db", OsErrorKind::AccessDenied, true}, // what is inside cannot be told
    };
    if (::geteuid() != 0) {
        EXPECT_EQ(mismatches(base.toStdString(), cases), 0);
        return;
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(nobody) != 0 || ::setuid(nobody) != 0)
            ::_exit(100);
        ::_exit(mismatches(base.toStdString(), cases));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "cases that did not hold (100: no account nobody)";
}

TEST(ReadAccess, EveryCodeOfARefusalIsAccessDenied) {
    // The codes a refusal of rights comes as: permission bits and access lists (EACCES), a
    // security module or an immutable file (EPERM).
    for (const int code : {EACCES, EPERM})
        EXPECT_EQ(platform::OsError::fromCode(code).kind(), OsErrorKind::AccessDenied) << code;
    for (const int code : {ENOENT})
        EXPECT_EQ(platform::OsError::fromCode(code).kind(), OsErrorKind::NotFound) << code;
}
