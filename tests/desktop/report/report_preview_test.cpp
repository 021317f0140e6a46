// The report form: its print preview opens modally offscreen, paints every page and closes.
#include "core/common/clock.h"
#include "core/common/exception.h"
#include "desktop/report/report_form.h"
#include "desktop/report/report_page_view.h"
#include "desktop/report/report_preview.h"
#include "support/test_dialogs.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <gtest/gtest.h>

using namespace ronvalo;

namespace {

struct PreviewSeen {
    bool shown = false;
    bool modal = false;
    int pages = 0;
    // No action hidden behind the tool bar's overflow arrow, unless the screen is narrower.
    bool toolsWhole = false;
};

// Closes the preview from inside its own event loop, noting what it showed; the timer dies with
// `context`.
void closePreviewSoon(QObject* context, PreviewSeen& seen) {
    QTimer::singleShot(0, context, [&seen] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* dialog = qobject_cast<ReportPreviewDialog*>(modal);
        if (dialog) {
            seen.shown = dialog->isVisible();
            seen.modal = dialog->isModal();
            seen.pages = int(dialog->pageCount());
            const auto* tools = dialog->findChild<QToolBar*>("PreviewTools");
            // Whole, or as wide as the screen lets it be.
            const int screen = QGuiApplication::primaryScreen()->availableSize().width();
            seen.toolsWhole =
                tools && (tools->width() >= tools->sizeHint().width() || dialog->width() >= screen);
        }
        if (modal)
            modal->close();
    });
}

PunchSource countingRows(int count) {
    return [count, n = 0](Punch& out) mutable {
        if (n == count)
            return false;
        out.Data = QDate(2024, 3, 5);
        out.Czas = QTime(8, 0);
        out.Nrwewpkt = 171 + n % 5;
        ++n;
        return true;
    };
}

} // namespace

TEST(ReportForm, PreviewOpensModallyWithEveryPageAndCloses) {
    FakeClock clock(QDateTime(QDate(2024, 3, 5), QTime(8, 15, 0)));
    TfrRaport2 form;
    int built = 0;
    const int rows = ReportLayout().rowsPerPage(0) + 1; // one row onto the second page
    form.setPunchSourceFactory([&built, rows] {
        ++built;
        return countingRows(rows);
    });
    PreviewSeen seen;
    closePreviewSoon(&form, seen);
    form.QRaport1->Preview();

    EXPECT_TRUE(seen.shown);
    EXPECT_TRUE(seen.modal);
    EXPECT_EQ(seen.pages, 2);
    EXPECT_TRUE(seen.toolsWhole);
    EXPECT_GE(built, 1);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.objectName(), "frRaport2");
}

TEST(ReportForm, RowSourceFailureInPreviewReachesTheErrorBox) {
    test::TestDialogs dialogs;
    TfrRaport2 form;
    form.setPunchSourceFactory([] {
        return PunchSource([](Punch&) -> bool { throw EDatabaseError("Odczyt tabeli nieudany"); });
    });
    PreviewSeen seen;
    closePreviewSoon(&form, seen);
    form.QRaport1->Preview();

    EXPECT_TRUE(seen.shown);
    ASSERT_FALSE(dialogs.texts(test::TestDialogs::Shown::Error).isEmpty());
    EXPECT_EQ(dialogs.texts(test::TestDialogs::Shown::Error).front(), "Odczyt tabeli nieudany.");
}

TEST(ReportForm, PreviewHoldsOnlyThePagesInView) {
    TfrRaport2 form;
    const qint64 pages = 300;
    const int rows = int(ReportLayout().firstRow(pages - 1)) + 1;
    form.setPunchSourceFactory([rows] { return countingRows(rows); });
    struct Seen {
        qint64 pages = 0;
        QString total;
        std::vector<int> held; // after the first, the last and a middle page came into view
    } seen;
    QTimer::singleShot(0, &form, [&seen] {
        auto* dialog = qobject_cast<ReportPreviewDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        seen.pages = dialog->pageCount();
        for (const QLabel* label : dialog->findChildren<QLabel*>())
            seen.total += label->text();
        ReportPageView& view = *dialog->pageView();
        for (const qint64 page : {qint64(0), seen.pages - 1, seen.pages / 2}) {
            view.setCurrentPage(page);
            dialog->grab();
            seen.held.push_back(view.heldPages());
        }
        dialog->close();
    });
    form.QRaport1->Preview();

    EXPECT_EQ(seen.pages, pages);
    EXPECT_EQ(seen.total, " / 300 ");
    ASSERT_EQ(seen.held.size(), 3u);
    for (const int held : seen.held) {
        EXPECT_GE(held, 1);
        EXPECT_LE(held, 2);
    }
}

TEST(ReportForm, RowSourceFailureWhileAPageComesIntoViewIsShownOnce) {
    test::TestDialogs dialogs;
    TfrRaport2 form;
    int made = 0;
    form.setPunchSourceFactory([&made]() -> PunchSource {
        if (made++ == 0) // the count reads every row
            return countingRows(400);
        return [](Punch&) -> bool { throw EDatabaseError("Odczyt tabeli nieudany"); };
    });
    QTimer::singleShot(0, &form, [] {
        auto* dialog = qobject_cast<ReportPreviewDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        for (const qint64 page : {0, 2}) {
            dialog->pageView()->setCurrentPage(page);
            dialog->grab();
            QApplication::processEvents(); // the error is shown outside the painting
        }
        dialog->close();
    });
    form.QRaport1->Preview();
    EXPECT_EQ(dialogs.texts(test::TestDialogs::Shown::Error),
              QStringList({"Odczyt tabeli nieudany."}));
}
