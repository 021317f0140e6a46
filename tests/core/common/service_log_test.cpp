// The service log against real files: line format, CP1250, rotation and failures.
#include "core/common/service_log.h"

#include <QFile>
#include <gtest/gtest.h>

#include "core/common/clock.h"
#include "core/common/exception.h"
#include "platform/files.h"
#include "support/temp_folder.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

struct LogTest : ::testing::Test {
    TempFolder folder;
    FakeClock clock{QDateTime(QDate(2024, 3, 5), QTime(8, 15, 0))};
    ServiceLog log{folder.base()};
    QString logPath() const { return folder.file("serwis.log"); }
    QString previousPath() const { return folder.file("serwis.001"); }
};

} // namespace

TEST_F(LogTest, LineFormatAndEncoding) {
    // The time is left out for any moment within the second 00:00:00, and only then.
    const struct {
        QDateTime moment;
        QString message;
        QByteArray line;
    } cases[] = {
        {QDateTime(QDate(2024, 3, 5), QTime(8, 15, 0)), "Start programu",
         "5.03.2024 08:15:00  Start programu\r\n"},
        {QDateTime(QDate(2024, 12, 31), QTime(0, 0, 0)),
         QStringLiteral("Format danych w linii 3 niezgodny z protokołem VERURU-PC ()"),
         "31.12.2024  Format danych w linii 3 niezgodny z protoko\xb3"
         "em VERURU-PC ()\r\n"},
        {QDateTime(QDate(2024, 12, 31), QTime(0, 0, 0, 500)), "Transfer OK",
         "31.12.2024  Transfer OK\r\n"},
        {QDateTime(QDate(2024, 12, 31), QTime(0, 0, 0, 999)), "Transfer OK",
         "31.12.2024  Transfer OK\r\n"},
        {QDateTime(QDate(2024, 12, 31), QTime(0, 0, 1)), "Transfer OK",
         "31.12.2024 00:00:01  Transfer OK\r\n"},
        {QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59, 999)), "Transfer OK",
         "31.12.2024 23:59:59  Transfer OK\r\n"},
    };
    QByteArray expected;
    for (const auto& c : cases) {
        clock.set(c.moment);
        log.WriteLog(c.message);
        expected += c.line;
    }
    EXPECT_EQ(readFileBytes(logPath()), expected);
}

TEST_F(LogTest, DeletedLogIsCreatedAgain) {
    log.WriteLog("Start programu");
    ASSERT_TRUE(QFile::remove(logPath()));
    log.WriteLog("Transfer OK");
    EXPECT_EQ(readFileBytes(logPath()), QByteArray("5.03.2024 08:15:00  Transfer OK\r\n"));
}

TEST_F(LogTest, RotatesOnlyWhenStrictlyOverTheLimit) {
    struct Case {
        int size;
        bool olderExists;
        bool rotates;
    } cases[] = {{500000, false, false}, {500001, false, true}, {500001, true, true}};
    for (const auto& c : cases) {
        QFile::remove(previousPath());
        const QByteArray filler(c.size, 'x');
        ASSERT_TRUE(writeFileBytes(logPath(), filler));
        if (c.olderExists) {
            ASSERT_TRUE(writeFileBytes(previousPath(), "old generation"));
        }
        log.WriteLog("Transfer OK");
        const QByteArray line = "5.03.2024 08:15:00  Transfer OK\r\n";
        if (c.rotates) {
            EXPECT_EQ(readFileBytes(previousPath()), filler) << c.size;
            EXPECT_EQ(readFileBytes(logPath()), line) << c.size;
        } else {
            EXPECT_EQ(readFileBytes(logPath()), filler + line) << c.size;
            EXPECT_FALSE(QFile::exists(previousPath()));
        }
    }
}

TEST_F(LogTest, ReadOnlyLogRaisesFileAccessDenied) {
    log.WriteLog("Start programu");
    ASSERT_FALSE(platform::setReadOnly(logPath().toStdString(), true).failed());
    try {
        log.WriteLog("Transfer OK");
        FAIL() << "no error";
    } catch (const EInOutError& error) {
        EXPECT_EQ(error.message(), "File access denied");
    }
    EXPECT_EQ(readFileBytes(logPath()), QByteArray("5.03.2024 08:15:00  Start programu\r\n"));
}

TEST_F(LogTest, UnwritableFolderRaises) {
    ServiceLog nowhere(folder.file("no-such-folder/"));
    EXPECT_THROW(nowhere.WriteLog("Start programu"), EInOutError);
}
