// A file replaced whole or not at all: what the target holds and what is left in its folder
// after a commit, a drop, a link planted where the temporary file goes, and a rename that fails.
#include "platform/atomic_file.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <gtest/gtest.h>

#include "support/temp_folder.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

void nothing(const QString&) {}
void keep(platform::AtomicFile&) {}

// The first temporary name is a link to another file, as someone could plant it.
void plantLink(const QString& base) {
    ASSERT_TRUE(writeFileBytes(base + "victim", "untouched"));
    ASSERT_TRUE(QFile::link(base + "victim", base + ".target.0.tmp"));
}

void removeTemporary(platform::AtomicFile& file) {
    ASSERT_TRUE(QFile::remove(QString::fromStdString(file.temporaryPath())));
}

} // namespace

TEST(AtomicFile, ReplacesTheTargetWholeOrLeavesItAsItWas) {
    const struct {
        const char* what;
        void (*beforeOpen)(const QString& base);
        void (*beforeCommit)(platform::AtomicFile& file);
        bool commit;
        int commitError; // errno
        QByteArray target;
        QStringList entries; // of the folder once the object is gone
    } cases[] = {
        {"committed", nothing, keep, true, 0, "new", {"target"}},
        {"dropped", nothing, keep, false, 0, "old", {"target"}},
        {"link in the way", plantLink, keep, true, 0, "new", {".target.0.tmp", "target", "victim"}},
        {"rename fails", nothing, removeTemporary, true, ENOENT, "old", {"target"}},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        ASSERT_TRUE(writeFileBytes(folder.file("target"), "old"));
        c.beforeOpen(folder.base());
        {
            platform::AtomicFile file;
            ASSERT_FALSE(file.open(folder.baseStd() + "target").failed()) << c.what;
            ASSERT_FALSE(file.write("ne").failed()) << c.what;
            ASSERT_FALSE(file.write("w").failed()) << c.what;
            c.beforeCommit(file);
            if (c.commit) {
                EXPECT_EQ(file.commit().code(), c.commitError) << c.what;
            }
        }
        EXPECT_EQ(readFileBytes(folder.file("target")), c.target) << c.what;
        QStringList entries =
            QDir(folder.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        entries.sort();
        EXPECT_EQ(entries, c.entries) << c.what;
        if (c.beforeOpen == plantLink) {
            EXPECT_EQ(readFileBytes(folder.file("victim")), "untouched");
        }
    }
}
