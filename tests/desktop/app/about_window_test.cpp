// Tests of the About window: its texts, the scrolling panel's life cycle and arithmetic, the links.
#include "desktop/app/about_window.h"
#include "desktop/app/scrolling_panel.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace ronvalo {
namespace {

ScrollingPanel* panelOf(TfrInfo& window) {
    auto* panel = window.findChild<ScrollingPanel*>("SecretPanel1");
    EXPECT_NE(panel, nullptr);
    return panel;
}

QString textOf(TfrInfo& window, const char* name) {
    auto* label = window.findChild<QLabel*>(name);
    EXPECT_NE(label, nullptr) << name;
    return label ? label->text() : QString();
}

TEST(ScrollArithmetic, RisesOnePixelAndWrapsAfterLeavingTheTop) {
    struct Case {
        int offset, panelHeight, blockHeight, next;
    };
    const Case cases[] = {
        {0, 57, 119, 1},   {1, 57, 119, 2}, {174, 57, 119, 175}, {175, 57, 119, 0},
        {500, 57, 119, 0}, {0, 10, 0, 1},   {9, 10, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(nextScrollOffset(c.offset, c.panelHeight, c.blockHeight), c.next)
            << c.offset << " in " << c.panelHeight << "+" << c.blockHeight;
}

TEST(ScrollArithmetic, BlockRunsFromFirstToLastNonBlankLine) {
    struct Case {
        QStringList lines, block;
    };
    const Case cases[] = {
        {{"a", "b"}, {"a", "b"}},
        {{"", "  ", "a", "", "b ", " ", ""}, {"a", "", "b "}},
        {{"", " "}, {}},
        {{}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(scrollBlock(c.lines), c.block) << c.lines.join('|').toStdString();
}

TEST(ScrollingPanel, TicksThroughOneFullRoundAndStartsAgainFromTheBottom) {
    ScrollingPanel panel;
    panel.resize(193, 57);
    panel.setLines({"", "one", "two", "three", ""});
    const int lineHeight = scrollLineHeight(QFontMetrics(panel.font()));
    EXPECT_EQ(panel.blockHeight(), 3 * lineHeight);
    EXPECT_GE(lineHeight, 14); // 13-pixel text and the shadow's pixel

    panel.start();
    EXPECT_TRUE(panel.isActive());
    EXPECT_TRUE(panel.hasSurface());
    EXPECT_EQ(panel.blockTop(), 57); // just below the bottom edge
    const int round = 57 + panel.blockHeight();
    for (int i = 1; i < round; ++i) {
        panel.tick();
        ASSERT_EQ(panel.offset(), i);
    }
    panel.tick();
    EXPECT_EQ(panel.offset(), 0);

    for (int i = 0; i < 5; ++i)
        panel.tick();
    panel.stop();
    EXPECT_FALSE(panel.isActive());
    EXPECT_FALSE(panel.hasSurface());
    panel.start();
    EXPECT_EQ(panel.offset(), 0);
}

TEST(AboutWindow, ShowsItsTextsInAFixedWindow) {
    TfrInfo window;
    EXPECT_EQ(window.objectName(), "frInfo");
    EXPECT_EQ(window.windowTitle(), "Informacje o programie");
    EXPECT_EQ(window.minimumSize(), QSize(379, 280));
    EXPECT_EQ(window.maximumSize(), QSize(379, 280));
    EXPECT_TRUE(window.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(window.windowFlags() & Qt::WindowContextHelpButtonHint);
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMinMaxButtonsHint);

    EXPECT_EQ(textOf(window, "Label1"), "Kerbis");
    EXPECT_EQ(textOf(window, "Label6"), "Ronvalo");
    EXPECT_EQ(textOf(window, "Label7"), "wersja 2.2");
    EXPECT_EQ(textOf(window, "Label8"), "kwiecień 2004");
    EXPECT_TRUE(textOf(window, "Label9").startsWith("programował\n"));
    EXPECT_EQ(textOf(window, "RxLabel4"), "biuro@kerbis.example");
    EXPECT_EQ(textOf(window, "RxLabel5"), "www.kerbis.example");
    EXPECT_EQ(window.findChild<QPushButton*>("Button1")->text(), "OK");
    EXPECT_EQ(panelOf(window)->lines(),
              QStringList({"Program do odbioru,", "archiwizacji i wizualizacji",
                           "danych pochodzących", "z przyrządu Veruru firmy", "Durared, służącego ",
                           "do kontroli służb ", "wartowniczych."}));
    EXPECT_EQ(panelOf(window)->size(), QSize(193, 57));
}

// The window's labels are checked with every other window's (window_texts_test.cpp).
TEST(AboutWindow, TheDescriptionsWidestLineFitsThePanel) {
    TfrInfo window;
    const ScrollingPanel* panel = panelOf(window);
    for (const QString& line : panel->lines())
        EXPECT_LE(panel->fontMetrics().horizontalAdvance(line) + 1, panel->contentsRect().width())
            << line.toStdString();
}

// Shows the window modally, lets `whileShown` act on it, and returns what exec() returned.
int runModal(TfrInfo& window, std::function<void()> whileShown) {
    QTimer::singleShot(0, &window, [&] {
        whileShown();
        if (window.isVisible())
            window.reject(); // a failed step must not leave the test waiting
    });
    return window.exec();
}

TEST(AboutWindow, EveryOpeningScrollsFromTheBottom) {
    TfrInfo window;
    ScrollingPanel* panel = panelOf(window);
    for (int opening = 0; opening < 2; ++opening) {
        runModal(window, [&] {
            EXPECT_TRUE(panel->isActive()) << opening;
            EXPECT_EQ(panel->offset(), 0) << opening;
            EXPECT_EQ(panel->blockTop(), panel->height()) << opening;
            for (int i = 0; i < 30; ++i)
                panel->tick();
            EXPECT_EQ(panel->offset(), 30);
            QTest::mouseClick(window.findChild<QPushButton*>("Button1"), Qt::LeftButton);
        });
    }
}

TEST(AboutWindow, ClosingByCloseBoxOrOkStopsTheScrolling) {
    struct Case {
        const char* how;
        std::function<void(TfrInfo&)> close;
        int result;
    };
    const Case cases[] = {
        {"close box", [](TfrInfo& w) { w.close(); }, QDialog::Rejected},
        {"OK",
         [](TfrInfo& w) {
             QTest::mouseClick(w.findChild<QPushButton*>("Button1"), Qt::LeftButton);
         },
         QDialog::Accepted},
        {"Escape", [](TfrInfo& w) { QTest::keyClick(&w, Qt::Key_Escape); }, QDialog::Rejected},
    };
    for (const Case& c : cases) {
        TfrInfo window;
        ScrollingPanel* panel = panelOf(window);
        bool wasActive = false;
        const int result = runModal(window, [&] {
            wasActive = panel->isActive();
            c.close(window);
        });
        EXPECT_TRUE(wasActive) << c.how;
        EXPECT_EQ(result, c.result) << c.how;
        EXPECT_FALSE(window.isVisible()) << c.how;
        EXPECT_FALSE(panel->isActive()) << c.how;
        EXPECT_FALSE(panel->hasSurface()) << c.how;
    }
}

TEST(AboutWindow, DoubleClickOpensTheLinkAndSingleClickNothing) {
    struct Case {
        const char* label;
        bool doubleClick;
        std::vector<QUrl> asked;
    };
    const Case cases[] = {
        {"RxLabel4", true, {QUrl("mailto:biuro@kerbis.example")}},
        {"RxLabel5", true, {QUrl("http://www.kerbis.example")}},
        {"RxLabel4", false, {}},
        {"RxLabel5", false, {}},
    };
    for (const Case& c : cases) {
        TfrInfo window;
        std::vector<QUrl> asked;
        window.openUrl = [&](const QUrl& url) { asked.push_back(url); };
        runModal(window, [&] {
            auto* label = window.findChild<QLabel*>(c.label);
            if (c.doubleClick)
                QTest::mouseDClick(label, Qt::LeftButton);
            else
                QTest::mouseClick(label, Qt::LeftButton);
        });
        EXPECT_EQ(asked, c.asked) << c.label << (c.doubleClick ? " double" : " single");
    }
}

} // namespace
} // namespace ronvalo
