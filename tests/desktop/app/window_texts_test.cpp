// Every window of fixed geometry shows its texts whole in the faces the program chooses, so they
// look the same on every machine with the program's dependencies.
#include <QFontInfo>
#include <QLabel>
#include <gtest/gtest.h>

#include "core/common/clock.h"
#include "core/common/legacy_fonts.h"
#include "core/store/schema.h"
#include "desktop/app/about_window.h"
#include "desktop/app/main_window.h"
#include "desktop/app/program.h"
#include "desktop/browse/punch_browser.h"
#include "desktop/import/summary_dialog.h"
#include "desktop/link/download_dialog.h"
#include "desktop/link/transmission_error_dialog.h"
#include "support/temp_folder.h"
#include "support/test_dialogs.h"
#include "support/text_fit.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

TEST(LegacyFonts, EachFaceIsDrawnByTheFamilyTheProgramChose) {
    const std::pair<LegacyFace, const char*> faces[] = {
        {LegacyFace::MsSansSerif, "Liberation Sans"},
        {LegacyFace::Arial, "Liberation Sans"},
        {LegacyFace::TimesNewRoman, "Liberation Serif"},
    };
    for (auto [face, family] : faces) {
        QFont font = legacyFont(face);
        font.setPixelSize(11);
        EXPECT_EQ(QFontInfo(font).family(), family) << "fonts-liberation missing?";
    }
    const QFont bold = windowFont(26, true);
    EXPECT_EQ(QFontInfo(bold).pixelSize(), 26);
    EXPECT_TRUE(QFontInfo(bold).bold());
}

struct WindowTexts : ::testing::Test {
    TempFolder folder;
    ScopedEnv hive{"RONVALO_REGISTRY", folder.file("hive.reg").toUtf8()};
    FakeClock clock{QDateTime(QDate(2024, 12, 28), QTime(23, 59, 59))};
    TestDialogs dialogs;
    std::unique_ptr<Program> program;

    void SetUp() override {
        ASSERT_TRUE(createEmptyDatabase(folder.path(), nullptr));
        program = std::make_unique<Program>(folder.base());
    }
    static void expectWhole(QWidget& window) {
        EXPECT_EQ(textProblems(window).join("; ").toStdString(), "")
            << window.objectName().toStdString();
    }
};

TEST_F(WindowTexts, EveryWindowShowsItsTextsWhole) {
    expectWhole(program->frGlowna());
    expectWhole(program->frInfo());
    expectWhole(program->frDialog());
    expectWhole(program->frOdbicia());

    // The download dialog with the longest of its status lines and port captions.
    TfrOdbior& download = program->frOdbior();
    download.RxLabel1->setText(QStringLiteral("COM4"));
    download.Label1->setText(
        QStringLiteral("Proszę ponownie nacisnąć przycisk TRANSFER w przyrządzie VERURU"));
    expectWhole(download);

    // The summary with the warning and dates as long as the Polish format makes them.
    TfrUdaloDlg& summary = program->frUdaloDlg();
    summary.setDates(QStringLiteral("28.12.2024 23:59:59"), QStringLiteral("31.12.2024 23:59:59"),
                     QStringLiteral("28.12.2024"));
    expectWhole(summary);
}

} // namespace
