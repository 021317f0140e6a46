// The menu item "Raport wyjątków...": the window opens modally over the program's tables, starts
// at this month, and keeps the operator's choices for the rest of the run.
#include <QAction>
#include <QApplication>
#include <QDateEdit>
#include <QTimer>
#include <gtest/gtest.h>

#include "core/common/clock.h"
#include "core/common/error_handler.h"
#include "core/store/schema.h"
#include "desktop/app/main_window.h"
#include "desktop/app/program.h"
#include "desktop/rounds/exception_report_window.h"
#include "support/temp_folder.h"
#include "support/test_dialogs.h"

using namespace ronvalo;
using namespace ronvalo::test;

TEST(ExceptionReportCommand, OpensModallyAndKeepsItsChoices) {
    TempFolder folder;
    ScopedEnv hive{"RONVALO_REGISTRY", folder.file("hive.reg").toUtf8()};
    FakeClock clock{QDateTime(QDate(2024, 3, 9), QTime(8, 0))};
    TestDialogs dialogs;
    ASSERT_TRUE(createEmptyDatabase(folder.path(), nullptr));
    Program program(folder.base());
    guarded([&] { program.frGlowna().FormShow(); })();

    QList<std::pair<QDate, QDate>> seen;
    const auto look = [&](const QDate& from) {
        QTimer::singleShot(0, [&seen, from] {
            auto* window = qobject_cast<ExceptionReportWindow*>(QApplication::activeModalWidget());
            ASSERT_NE(window, nullptr);
            EXPECT_EQ(window->windowTitle(), QString::fromUtf8("Raport wyjątków"));
            seen.append({window->dtOd->date(), window->dtDo->date()});
            window->dtOd->setDate(from);
            window->reject();
        });
        program.frGlowna().acRaportWyjatkow->trigger();
    };
    look(QDate(2024, 2, 1));
    look(QDate(2024, 1, 1));
    EXPECT_EQ(seen, (QList<std::pair<QDate, QDate>>{{QDate(2024, 3, 1), QDate(2024, 3, 9)},
                                                    {QDate(2024, 2, 1), QDate(2024, 3, 9)}}));
    EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Error), QStringList());
}
