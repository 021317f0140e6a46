// The menu item "Raport wyjątków...": the window opens modally over the program's tables, starts
// at this month, and keeps the operator's choices for the rest of the run.
#include <QAction>
#include <QApplication>
#include <QDateEdit>
#include <QTimer>
#include <gtest/gtest.h>

#include "rounds/exception_report_window.h"
#include "running_program.h"

using namespace ronvalo;
using namespace ronvalo::test;

TEST(ExceptionReportCommand, OpensModallyAndKeepsItsChoices) {
    RunningProgram running;
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
        running.main().acRaportWyjatkow->trigger();
    };
    look(QDate(2024, 2, 1));
    look(QDate(2024, 1, 1));
    EXPECT_EQ(seen, (QList<std::pair<QDate, QDate>>{{QDate(2024, 3, 1), QDate(2024, 3, 9)},
                                                    {QDate(2024, 2, 1), QDate(2024, 3, 9)}}));
    EXPECT_EQ(running.dialogs.texts(TestDialogs::Shown::Error), QStringList());
}
