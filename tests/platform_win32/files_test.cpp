// The Windows file services in a folder whose name has Polish letters: sizes, attributes, the
// copy's sharing rules, time stamps, renames over existing files, a file replaced whole while
// another program holds it open, two sessions at one log, names ignoring case.
#include "platform/atomic_file.h"
#include "platform/files.h"
#include "platform/text_win32.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <windows.h>

using namespace ronvalo::platform;
using namespace std::chrono_literals;

namespace {

// A fresh folder "Łódź <n>" under the user's temporary folder, removed with its files.
class PolishFolder {
public:
    PolishFolder() {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        path_ = toUtf8(temp) + "\xC5\x81\xC3\xB3\x64\xC5\xBA " + std::to_string(GetTickCount64()) +
                "\\";
    }
    ~PolishFolder() {
        for (const std::string name : {"a.txt", "b.txt", "Odbicia.db", "sub\\deeper\\c.txt"}) {
            setReadOnly(path_ + name, false);
            deleteFile(path_ + name);
        }
        RemoveDirectoryW(toWide(path_ + "sub\\deeper").c_str());
        RemoveDirectoryW(toWide(path_ + "sub").c_str());
        RemoveDirectoryW(toWide(path_).c_str());
    }
    std::string file(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

// A handle as a database engine holds its file: reading and writing, sharing both.
HANDLE openAsWriter(const std::string& path) {
    return CreateFileW(toWide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// A handle as another program holds a file it reads, sharing what `share` says.
HANDLE openAsReader(const std::string& path, DWORD share) {
    return CreateFileW(toWide(path).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string contents(const std::string& path) {
    ReadableFile file;
    char text[64];
    if (file.open(path).failed())
        return "(no file)";
    return std::string(text, file.read(text, sizeof text).value_or(0));
}

void makeFile(const std::string& path, std::string_view text) {
    ASSERT_FALSE(createEmptyFile(path).failed());
    ASSERT_FALSE(appendToFile(path, text).failed());
}

// Another program that lets go of its handle after a while, on a thread of its own.
class LetGoLater {
public:
    LetGoLater(HANDLE handle, std::chrono::milliseconds after)
        : thread_([handle, after] {
              std::this_thread::sleep_for(after);
              CloseHandle(handle);
          }) {}
    ~LetGoLater() { thread_.join(); }

private:
    std::thread thread_;
};

// Both ways the program replaces a file: a new content made aside, and the log's rotation.
struct Replacement {
    const char* name;
    OsError (*replace)(const std::string& target, const std::string& from);
};

const Replacement replacements[] = {
    {"a file replaced whole",
     [](const std::string& target, const std::string&) {
         AtomicFile file;
         file.open(target);
         file.write("new");
         return file.commit();
     }},
    {"a rename over it",
     [](const std::string& target, const std::string& from) {
         makeFile(from, "new");
         return renameFile(from, target);
     }},
};

FILETIME modified(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(toWide(path).c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

} // namespace

TEST(Files, CreateAppendSizeRenameDeleteWithPolishLetters) {
    PolishFolder folder;
    const std::string a = folder.file("a.txt"), b = folder.file("b.txt");
    ASSERT_FALSE(createFolders(folder.file("sub\\deeper")).failed());
    EXPECT_TRUE(folderExists(folder.file("sub\\deeper")));
    EXPECT_EQ(fileSize(folder.file("sub")), -1) << "a folder has no size";

    ASSERT_FALSE(createEmptyFile(a).failed());
    ASSERT_FALSE(appendToFile(a, "Start programu\r\n").failed());
    EXPECT_EQ(fileSize(a), 16);
    EXPECT_TRUE(fileExists(a));

    ASSERT_FALSE(createEmptyFile(b).failed());
    ASSERT_FALSE(renameFile(a, b).failed()) << "a rename replaces the file of the new name";
    EXPECT_FALSE(fileExists(a));
    EXPECT_EQ(fileSize(b), 16);
    EXPECT_EQ(appendToFile(a, "x").kind(), OsErrorKind::NotFound);
    EXPECT_FALSE(deleteFile(b).failed());
    EXPECT_EQ(deleteFile(b).kind(), OsErrorKind::NotFound);
}

TEST(Files, ReadOnlyAttributeRefusesWriters) {
    PolishFolder folder;
    const std::string a = folder.file("a.txt");
    ASSERT_FALSE(createFolders(folder.file("")).failed());
    ASSERT_FALSE(createEmptyFile(a).failed());
    ASSERT_FALSE(setReadOnly(a, true).failed());
    EXPECT_TRUE(isReadOnly(a));
    EXPECT_EQ(createEmptyFile(a).kind(), OsErrorKind::AccessDenied);
    EXPECT_EQ(appendToFile(a, "x").kind(), OsErrorKind::AccessDenied);
    ASSERT_FALSE(setReadOnly(a, false).failed());
    EXPECT_FALSE(isReadOnly(a));
    EXPECT_FALSE(appendToFile(a, "x").failed());
}

TEST(Files, SourceOfACopyDeniesWritersAndKeepsItsTimeOnTheCopy) {
    PolishFolder folder;
    const std::string a = folder.file("a.txt"), b = folder.file("b.txt");
    ASSERT_FALSE(createFolders(folder.file("")).failed());
    ASSERT_FALSE(createEmptyFile(a).failed());
    ASSERT_FALSE(appendToFile(a, "0123456789").failed());

    // A file another program holds open for writing does not open as a source.
    const HANDLE writer = openAsWriter(a);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    ReadableFile source;
    EXPECT_EQ(source.open(a).kind(), OsErrorKind::AccessDenied);
    CloseHandle(writer);

    // Open as a source, it keeps writers out and reads in full blocks until the end.
    ASSERT_FALSE(source.open(a).failed());
    EXPECT_EQ(openAsWriter(a), INVALID_HANDLE_VALUE);
    char block[8];
    EXPECT_EQ(source.read(block, sizeof block), 8u);
    EXPECT_EQ(source.read(block, sizeof block), 2u);
    EXPECT_EQ(source.read(block, sizeof block), 0u);
    source = ReadableFile();

    ReadableFile folderAsFile;
    EXPECT_TRUE(folderAsFile.open(folder.file("")).failed()) << "a folder is not a file";

    ASSERT_FALSE(createEmptyFile(b).failed());
    FILETIME old = modified(a);
    old.dwHighDateTime -= 1000; // about five days earlier
    const HANDLE stamp = CreateFileW(toWide(a).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                     OPEN_EXISTING, 0, nullptr);
    ASSERT_TRUE(SetFileTime(stamp, nullptr, nullptr, &old));
    CloseHandle(stamp);
    ASSERT_FALSE(copyModificationTime(a, b).failed());
    const FILETIME copied = modified(b);
    EXPECT_EQ(CompareFileTime(&old, &copied), 0);
}

TEST(Files, AtomicFileReplacesTheFileOrLeavesNoTrace) {
    PolishFolder folder;
    const std::string a = folder.file("a.txt"), temporary = folder.file(".a.txt.0.tmp");
    ASSERT_FALSE(createFolders(folder.file("")).failed());
    ASSERT_FALSE(createEmptyFile(a).failed());
    ASSERT_FALSE(appendToFile(a, "old").failed());
    {
        AtomicFile dropped;
        ASSERT_FALSE(dropped.open(a).failed());
        ASSERT_FALSE(dropped.write("lost").failed());
        EXPECT_EQ(dropped.temporaryPath(), temporary);
    }
    EXPECT_FALSE(fileExists(temporary)) << "dropped without a commit";

    AtomicFile file;
    ASSERT_FALSE(file.open(a).failed());
    ASSERT_FALSE(file.write("nowa tre\xC5\x9B\xC4\x87").failed());
    ASSERT_FALSE(file.commit().failed()) << "MoveFileEx over an existing file, written through";
    EXPECT_FALSE(fileExists(temporary));
    ReadableFile replaced;
    ASSERT_FALSE(replaced.open(a).failed());
    char text[32];
    EXPECT_EQ(std::string(text, replaced.read(text, sizeof text).value_or(0)),
              "nowa tre\xC5\x9B\xC4\x87");
}

TEST(Files, NamesIgnoringCaseAndTheExecutableFolder) {
    PolishFolder folder;
    ASSERT_FALSE(createFolders(folder.file("")).failed());
    ASSERT_FALSE(createEmptyFile(folder.file("Odbicia.db")).failed());
    EXPECT_EQ(findNameIgnoringCase(folder.file(""), "ODBICIA.DB"), "Odbicia.db");
    EXPECT_EQ(findNameIgnoringCase(folder.file(""), "Czytniki.db"), std::nullopt);
    EXPECT_EQ(resolveIgnoringCase(folder.file(""), "odbicia.DB"), folder.file("Odbicia.db"));

    const std::string base = executableFolder();
    ASSERT_FALSE(base.empty());
    EXPECT_EQ(base.back(), '\\');
    EXPECT_TRUE(fileExists(base + "test_platform_win32.exe"));
}

// Windows refuses to replace a file any handle holds open (Wine refuses it too): a scanner or a
// backup tool that lets go within the two seconds does not make the replacement fail, whatever
// it shares.
TEST(Files, ReplaceWaitsForAnotherProgramToLetGoOfTheTarget) {
    PolishFolder folder;
    const std::string a = folder.file("a.txt"), b = folder.file("b.txt");
    ASSERT_FALSE(createFolders(folder.file("")).failed());
    const DWORD holders[] = {FILE_SHARE_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE};
    for (const Replacement& replacement : replacements) {
        for (const DWORD share : holders) {
            SCOPED_TRACE(std::string(replacement.name) + ", holder sharing " +
                         std::to_string(share));
            makeFile(a, "old");
            const HANDLE holder = openAsReader(a, share);
            ASSERT_NE(holder, INVALID_HANDLE_VALUE);
            {
                LetGoLater letGo(holder, 300ms);
                EXPECT_FALSE(replacement.replace(a, b).failed());
            }
            EXPECT_EQ(contents(a), "new");
        }
    }
}

TEST(Files, ReplaceOfATargetHeldOnIsReportedAfterAboutTwoSeconds) {
    PolishFolder folder;
    const std::string a = folder.file("a.txt"), b = folder.file("b.txt");
    ASSERT_FALSE(createFolders(folder.file("")).failed());
    for (const Replacement& replacement : replacements) {
        SCOPED_TRACE(replacement.name);
        makeFile(a, "old");
        // As a database engine holds its file.
        const HANDLE holder = openAsReader(a, FILE_SHARE_READ | FILE_SHARE_WRITE);
        ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        const auto start = std::chrono::steady_clock::now();
        const OsError error = replacement.replace(a, b);
        const auto took = std::chrono::steady_clock::now() - start;
        CloseHandle(holder);
        EXPECT_EQ(error.kind(), OsErrorKind::AccessDenied);
        EXPECT_GE(took, 1800ms);
        EXPECT_LT(took, 5s);
        EXPECT_EQ(contents(a), "old");
        EXPECT_FALSE(fileExists(folder.file(".a.txt.0.tmp"))) << "nothing left beside it";
        deleteFile(b);
    }
    // Only a refusal waits: a missing source is reported at once.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(renameFile(b, a).kind(), OsErrorKind::NotFound);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
}

// Two sessions of the program at one service log: one appends while the other has it open to
// append, and rotating the log (rename, then a new empty file) works while another session reads
// it through a copy.
TEST(Files, TwoSessionsShareTheLog) {
    PolishFolder folder;
    const std::string log = folder.file("a.txt"), previous = folder.file("b.txt");
    ASSERT_FALSE(createFolders(folder.file("")).failed());
    makeFile(log, "");
    const HANDLE other = CreateFileW(toWide(log).c_str(), FILE_APPEND_DATA,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(appendToFile(log, "one\r\n").failed()) << "while another session appends";
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(other, "two\r\n", 5, &written, nullptr));
    CloseHandle(other);
    EXPECT_EQ(contents(log), "one\r\ntwo\r\n");

    ReadableFile copying;
    ASSERT_FALSE(copying.open(log).failed());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(renameFile(log, previous).failed()) << "rotated while a copy reads it";
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s) << "no wait for a reader";
    EXPECT_FALSE(createEmptyFile(log).failed());
    char text[16];
    EXPECT_EQ(copying.read(text, sizeof text), 10u) << "the copy reads on what it opened";
}

TEST(Files, ALinkIsNeitherReadNorWrittenThrough) {
    PolishFolder folder;
    const std::string a = folder.file("a.txt"), link = folder.file("b.txt");
    ASSERT_FALSE(createFolders(folder.file("")).failed());
    ASSERT_FALSE(createEmptyFile(a).failed());
    ASSERT_FALSE(appendToFile(a, "cudze").failed());
    constexpr DWORD unprivileged = 0x2; // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
    // Wine 8 answers success and makes nothing; Windows without the right refuses.
    if (!CreateSymbolicLinkW(toWide(link).c_str(), toWide(a).c_str(), unprivileged) ||
        GetFileAttributesW(toWide(link).c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "this system makes no symbolic link here";
    EXPECT_TRUE(isLink(link));
    EXPECT_FALSE(isLink(a));

    ReadableFile source;
    EXPECT_EQ(source.open(link).kind(), OsErrorKind::AccessDenied);
    EXPECT_FALSE(source.isOpen());
    EXPECT_EQ(appendToFile(link, "x").kind(), OsErrorKind::AccessDenied);
    EXPECT_EQ(createEmptyFile(link).kind(), OsErrorKind::AccessDenied);
    EXPECT_EQ(fileSize(a), 5);
}
