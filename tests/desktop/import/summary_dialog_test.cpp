// The summary dialog: its layout, the compact and full forms, and how it is left.
#include "desktop/import/summary_dialog.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "import_fixture.h"

using namespace ronvalo;
using namespace ronvalo::test;

TEST(SummaryDialog, CaptionsLabelsAndWarning) {
    TfrUdaloDlg dialog;
    EXPECT_EQ(dialog.objectName(), "frUdaloDlg");
    EXPECT_EQ(dialog.windowTitle(), "Dane wprowadzone");
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(dialog.Label1->text(), "Odbicia wprowadzono do bazy danych");
    EXPECT_EQ(dialog.Label1->geometry(), QRect(0, 8, 345, 13));
    EXPECT_TRUE(dialog.Label1->font().bold());
    EXPECT_EQ(dialog.RxLabel1->text(), "Data bieżąca wg czytnika:");
    EXPECT_EQ(dialog.RxLabel2->text(), "Data bieżąca wg komputera:");
    EXPECT_EQ(dialog.RxLabel3->text(), "Data pierwszego odbicia:");
    EXPECT_EQ(dialog.Label5->text(), "Uwaga!");
    // Each caption ends before the date beside it.
    for (auto [caption, date] :
         {std::pair{dialog.RxLabel1, dialog.Label2}, std::pair{dialog.RxLabel2, dialog.Label3},
          std::pair{dialog.RxLabel3, dialog.Label4}})
        EXPECT_LT(caption->geometry().right(), date->x()) << caption->text().toStdString();
    for (QLabel* lime : {dialog.Label2, dialog.Label3}) {
        EXPECT_TRUE(lime->autoFillBackground());
        EXPECT_EQ(lime->palette().color(QPalette::Window), QColor(0, 255, 0));
    }
    const QStringList warning = dialog.Memo1->toPlainText().split('\n');
    ASSERT_EQ(warning.size(), 8);
    EXPECT_EQ(warning.first(), "Daty czytnika i komputera są różne! ");
    EXPECT_EQ(warning.at(6), "Jeżeli data komputera jest nieprawidłowa to należy ją porawić (w ");
    EXPECT_EQ(warning.last(), "Panelu Sterowania).");
    EXPECT_TRUE(dialog.BitBtn1->isDefault());
}

TEST(SummaryDialog, SameDatesGiveTheCompactFormDifferentOnesTheWarning) {
    TfrUdaloDlg dialog;
    const struct {
        QString instrument, transfer;
        bool compact;
        int buttonTop, height;
    } cases[] = {{"5.03.2024", "5.03.2024", true, 108, 164},
                 {"5.03.2024", "6.03.2024", false, 208, 264},
                 {"30.12.1899", "30.12.1899", true, 108, 164}};
    for (const auto& c : cases) {
        dialog.setDates(c.instrument, c.transfer, "1.01.2024");
        EXPECT_EQ(dialog.compact(), c.compact);
        EXPECT_EQ(dialog.BitBtn1->y(), c.buttonTop);
        EXPECT_EQ(dialog.outerHeight(), c.height);
        EXPECT_EQ(dialog.height(), c.height - 27);
        EXPECT_EQ(dialog.Label5->isVisibleTo(&dialog), !c.compact);
        EXPECT_EQ(dialog.Memo1->isVisibleTo(&dialog), !c.compact);
        // Nothing below the button is cut off.
        EXPECT_LE(dialog.BitBtn1->geometry().bottom(), dialog.height());
    }
}

// Through the import's own way of showing it: modal, left only by its OK button, and the
// success line logged only once it is closed.
TEST_F(ImportTest, SummaryIsShownModallyAndLeftThroughOk) {
    TfrUdaloDlg dialog;
    PunchImport modal(folder.base(), dm, [this](const QString& line) { log << line; });
    modal.showSummary = summaryShownIn(dialog);
    bool checked = false;
    QTimer::singleShot(0, &dialog, [&] {
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_TRUE(dialog.isModal());
        EXPECT_TRUE(log.isEmpty());
        QTest::keyClick(&dialog, Qt::Key_Escape);
        dialog.close();
        EXPECT_TRUE(dialog.isVisible());
        QTest::keyClick(dialog.BitBtn1, Qt::Key_Return);
        checked = true;
    });
    Memo1.append(makeDump("012", "24-03-06 14 27", {"-- 24-03-01", "#1 10:00"}));
    modal.run(Memo1, Memo2, firstMoment);
    EXPECT_TRUE(checked);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(dialog.compact());
    EXPECT_EQ(log, QStringList{"6.03.2024  1.03.2024  Odbicia wprowadzono do bazy danych. (012)"});
}
