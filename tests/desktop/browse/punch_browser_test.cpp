// The punch browser offscreen over real tables: its first showing, both modes, the single-day
// box, the marked rows, the report button and the grid's CSV export.
#include "desktop/browse/punch_browser.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QProgressDialog>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cerrno>
#include <gtest/gtest.h>

#include "core/store/data_module.h"
#include "desktop/browse/punch_grid.h"
#include "desktop/browse/punch_table_model.h"
#include "desktop/report/report_form.h"
#include "desktop/report/report_preview.h"
#include "platform/os_error.h"
#include "support/temp_folder.h"
#include "support/test_dialogs.h"
#include "support/xlsx_reading.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

const QDate day(2024, 3, 5);

struct BrowserTest : ::testing::Test {
    TempFolder folder;
    TestDialogs dialogs;
    TDM3 dm;
    TfrRaport2 report;
    QStringList log;
    std::unique_ptr<TfrOdbicia> browser;
    qint32 download1 = 0, download2 = 0;

    void SetUp() override {
        ASSERT_TRUE(createEmptyDatabase(folder.path(), nullptr));
        dm.setDatabaseFolder(folder.file("db/"));
        dm.openTables();
        download1 = dm.appendDownload(QDateTime(day, QTime(9, 0)));
        download2 = dm.appendDownload(QDateTime(day, QTime(10, 0)));
        for (const char* instrument : {"12", "012", "0"})
            dm.insertReader(instrument);
        add(day.addDays(-1), "12", download1, 1);
        add(day, "12", download1, 2);
        add(day.addDays(1), "12", download1, 3);
        add(day, "012", download1, 4);
        add(day, "0", download2, 5);
        add(day.addYears(-2), "012", download2, 6);
        browser = std::make_unique<TfrOdbicia>(
            dm, [this](const QString& line) { log << line; }, nullptr);
        browser->setReportForm(&report);
        dm.setFiltered(true);
        browser->show();
    }
    void TearDown() override { dm.setFiltered(false); }

    void add(QDate date, const QString& instrument, qint32 download, qint32 checkpoint) {
        Punch p;
        p.Data = date;
        p.Czas = QTime(8, 15);
        p.Nrwewpkt = checkpoint;
        p.Nrczyt = instrument;
        p.NrSczytania = download;
        dm.insertPunch(p);
    }
    // The checkpoints the grid shows, top to bottom.
    std::vector<int> shown() const {
        std::vector<int> result;
        for (int row = 0; row < browser->model()->rowCount(); ++row)
            result.push_back(browser->model()->punchAt(row).Nrwewpkt);
        return result;
    }
    void chooseInstrument(const QString& key) {
        browser->RxDBLookupCombo3->setCurrentIndex(
            browser->RxDBLookupCombo3->findText(key, Qt::MatchExactly | Qt::MatchCaseSensitive));
    }
    void chooseDownload(qint32 key) {
        browser->RxDBLookupCombo1->setCurrentIndex(browser->RxDBLookupCombo1->findData(key));
    }
    void chooseDates(QDate from, QDate to) {
        browser->DatePicker1->setDate(from);
        browser->DatePicker2->setDate(to);
    }
};

} // namespace

TEST_F(BrowserTest, FirstShowingIsEmptyWithTheControlsInPlace) {
    EXPECT_EQ(browser->objectName(), "frOdbicia");
    EXPECT_EQ(browser->windowTitle(), "Odbicia");
    EXPECT_TRUE(shown().empty());
    EXPECT_EQ(browser->DatePicker1->date(), QDate(2000, 11, 26));
    EXPECT_EQ(browser->DatePicker2->date(), QDate(2000, 11, 26));
    EXPECT_TRUE(browser->DatePicker1->calendarPopup());
    EXPECT_EQ(browser->DatePicker1->text(), "niedziela, 26 listopada 2000");
    EXPECT_FALSE(browser->CheckBox1->isChecked());
    EXPECT_FALSE(browser->CheckBox2->isChecked());
    EXPECT_EQ(browser->RxDBLookupCombo3->currentText(), "");
    EXPECT_EQ(browser->RxDBLookupCombo3->count(), 3);
    EXPECT_EQ(browser->RxDBLookupCombo1->count(), 2);
    EXPECT_FALSE(browser->RxDBLookupCombo1->isEnabled());
    EXPECT_EQ(browser->Panel1->height(), 105);

    struct Place {
        QWidget* widget;
        QRect geometry;
    } places[] = {
        {browser->Label1, {8, 16, 15, 13}},
        {browser->DatePicker1, {32, 8, 217, 21}},
        {browser->CheckBox1, {32, 36, 225, 17}},
        {browser->Label2, {8, 64, 15, 13}},
        {browser->DatePicker2, {32, 56, 217, 21}},
        {browser->Label3, {8, 88, 54, 13}},
        {browser->RxDBLookupCombo3, {72, 80, 81, 21}},
        {browser->CheckBox2, {216, 86, 73, 17}},
        {browser->RxDBLookupCombo1, {296, 80, 65, 21}},
        {browser->SpeedButton1, {296, 4, 65, 53}},
    };
    // Captions and combos may grow to show their texts whole; they keep their place.
    for (const Place& place : places) {
        const QRect at = place.widget->geometry();
        const bool rightAligned = place.widget == browser->Label3;
        EXPECT_EQ(rightAligned ? at.topRight() : at.topLeft(),
                  rightAligned ? place.geometry.topRight() : place.geometry.topLeft())
            << place.widget->objectName().toStdString();
        EXPECT_EQ(at.height(), place.geometry.height());
        EXPECT_GE(at.width(), place.geometry.width());
        if (!qobject_cast<QDateEdit*>(place.widget) && place.widget != browser->SpeedButton1) {
            EXPECT_GE(at.width(), place.widget->sizeHint().width())
                << place.widget->objectName().toStdString();
        }
    }
    // Nothing overlaps in the top panel.
    for (const Place& one : places)
        for (const Place& other : places)
            if (one.widget != other.widget) {
                EXPECT_FALSE(one.widget->geometry().intersects(other.widget->geometry()))
                    << one.widget->objectName().toStdString() << " "
                    << other.widget->objectName().toStdString();
            }

    QTableView* grid = browser->RxDBGrid1;
    QStringList titles;
    for (int column = 0; column < grid->model()->columnCount(); ++column)
        titles << grid->model()->headerData(column, Qt::Horizontal).toString();
    EXPECT_EQ(titles, QStringList({"Data", "Czas", "Nr pkt.", "Nr czytnika", "Nr odczytu"}));
    EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);

    // The tab order walks the controls as the operator expects.
    const QList<QWidget*> controls{browser->DatePicker1,      browser->CheckBox1,
                                   browser->DatePicker2,      browser->RxDBLookupCombo3,
                                   browser->RxDBLookupCombo1, browser->CheckBox2};
    QList<QWidget*> order;
    for (QWidget* widget = browser->DatePicker1; order.size() < controls.size();
         widget = widget->nextInFocusChain())
        if (controls.contains(widget) && !order.contains(widget))
            order << widget;
    EXPECT_EQ(order, controls);
}

TEST_F(BrowserTest, DateModeSelectsOneInstrumentBetweenInclusiveBounds) {
    struct Case {
        QDate from, to;
        const char* instrument;
        std::vector<int> rows;
    } cases[] = {
        {day.addDays(-1), day.addDays(1), "12", {1, 2, 3}},
        {day, day, "12", {2}},
        {day.addDays(1), day.addDays(5), "12", {3}},
        {day.addDays(1), day, "12", {}},        // from after to
        {day, day, "012", {4}},                 // "12" is not "012"
        {day, day, "0", {5}},                   // instrument "0" is a real key
        {day.addYears(-3), day, "012", {6, 4}}, // in date order
    };
    for (const Case& c : cases) {
        chooseInstrument(c.instrument);
        chooseDates(c.from, c.to);
        EXPECT_EQ(shown(), c.rows) << c.instrument << " " << c.from.toString().toStdString();
    }
    EXPECT_EQ(browser->model()->data(browser->model()->index(0, 0), Qt::DisplayRole).toString(),
              "5.03.2022");
    EXPECT_EQ(browser->model()->data(browser->model()->index(0, 1), Qt::DisplayRole).toString(),
              "08:15:00");
}

TEST_F(BrowserTest, DownloadModeSelectsOneDownloadAndLeavingItRestoresDateMode) {
    chooseInstrument("12");
    chooseDates(day, day.addDays(1));
    ASSERT_EQ(shown(), (std::vector<int>{2, 3}));

    browser->CheckBox2->click();
    EXPECT_TRUE(shown().empty()); // no download chosen yet
    for (QWidget* control : std::initializer_list<QWidget*>{
             browser->DatePicker1, browser->DatePicker2, browser->RxDBLookupCombo3, browser->Label1,
             browser->Label2, browser->Label3})
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
    EXPECT_TRUE(browser->RxDBLookupCombo1->isEnabled());
    EXPECT_TRUE(browser->CheckBox1->isEnabled());

    chooseDownload(download2);
    EXPECT_EQ(shown(), (std::vector<int>{6, 5})); // whatever the dates and instrument
    chooseDownload(download1);
    EXPECT_EQ(shown(), (std::vector<int>{1, 2, 4, 3}));

    browser->CheckBox2->click();
    EXPECT_EQ(shown(), (std::vector<int>{2, 3}));
    EXPECT_TRUE(browser->DatePicker1->isEnabled());
    EXPECT_FALSE(browser->RxDBLookupCombo1->isEnabled());
}

TEST_F(BrowserTest, SingleDayBoxCarriesTheToDateAlong) {
    chooseInstrument("12");
    chooseDates(day.addDays(-1), day.addDays(1));
    browser->CheckBox1->click();
    EXPECT_EQ(browser->DatePicker2->date(), day.addDays(-1));
    EXPECT_FALSE(browser->DatePicker2->isEnabled());
    EXPECT_EQ(shown(), (std::vector<int>{1}));

    browser->DatePicker1->setDate(day);
    EXPECT_EQ(browser->DatePicker2->date(), day);
    EXPECT_EQ(shown(), (std::vector<int>{2}));

    // Through download mode and back: the to-date picker is enabled, yet still follows.
    browser->CheckBox2->click();
    browser->CheckBox2->click();
    EXPECT_TRUE(browser->DatePicker2->isEnabled());
    browser->DatePicker2->setDate(day.addDays(1));
    EXPECT_EQ(browser->DatePicker2->date(), day);

    browser->CheckBox1->click();
    EXPECT_TRUE(browser->DatePicker2->isEnabled());
    EXPECT_EQ(browser->DatePicker2->date(), day); // unticking leaves it
    browser->DatePicker2->setDate(day.addDays(1));
    EXPECT_EQ(shown(), (std::vector<int>{2, 3}));
}

// Keys in a picker's open calendar move the date shown, yet the grid follows only when the
// calendar closes on another date; Escape puts the earlier date back.
TEST_F(BrowserTest, ADateFromTheCalendarCountsWhenItClosesEscapeRestoresTheEarlierOne) {
    const struct {
        std::vector<Qt::Key> keys; // the last one closes the calendar
        QDate date;
        std::vector<int> shown;
    } cases[] = {
        {{Qt::Key_Right, Qt::Key_Return}, day, {2}},
        {{Qt::Key_Right, Qt::Key_Right, Qt::Key_Return}, day.addDays(1), {3}},
        {{Qt::Key_Right, Qt::Key_Escape}, day.addDays(-1), {1}},
        {{Qt::Key_Right, Qt::Key_Left, Qt::Key_Return}, day.addDays(-1), {1}},
    };
    chooseInstrument("12");
    browser->CheckBox1->click();
    QDateEdit* picker = browser->DatePicker1;
    QWidget* calendar = picker->calendarWidget()->window();
    for (const auto& c : cases) {
        picker->setDate(day.addDays(-1));
        ASSERT_EQ(shown(), (std::vector<int>{1}));
        QTest::mouseClick(picker, Qt::LeftButton, {}, {picker->width() - 6, picker->height() / 2});
        ASSERT_TRUE(QTest::qWaitForWindowExposed(calendar));
        for (Qt::Key key : c.keys) {
            EXPECT_EQ(shown(), (std::vector<int>{1})) << "nothing counts while it is open";
            QTest::keyClick(static_cast<QWidget*>(nullptr), key); // to the open pop-up
        }
        EXPECT_FALSE(calendar->isVisible());
        EXPECT_EQ(picker->date(), c.date);
        EXPECT_EQ(browser->DatePicker2->date(), c.date);
        EXPECT_EQ(shown(), c.shown);
    }
    // Typed in the edit field, a date counts at once as before.
    picker->setFocus();
    QTest::keyClick(picker, Qt::Key_Up);
    EXPECT_EQ(shown(), (std::vector<int>{2}));
}

namespace {

bool isYellow(const QImage& image, QPoint at) {
    return image.pixelColor(at) == QColor(255, 255, 0);
}

} // namespace

TEST_F(BrowserTest, MarkedCheckpointsAreYellowAndBoldInEveryCellSelectedToo) {
    for (int checkpoint : {171, 170, 172, 173, 174, 175})
        add(QDate(2010, 1, 1), "7", download2, checkpoint);
    dm.insertReader("7");
    browser->refillLookups();
    chooseInstrument("7");
    chooseDates(QDate(2010, 1, 1), QDate(2010, 1, 1));
    ASSERT_EQ(shown(), (std::vector<int>{171, 170, 172, 173, 174, 175}));
    QTableView* grid = browser->RxDBGrid1;
    ASSERT_EQ(grid->currentIndex().row(), 0); // the grid stands on the first row, 171

    const QImage image = grid->viewport()->grab().toImage();
    auto* delegate = qobject_cast<PunchCellDelegate*>(grid->itemDelegate());
    ASSERT_NE(delegate, nullptr);
    for (int row = 0; row < 6; ++row) {
        const bool marked = isMarkedCheckpoint(shown()[row]);
        for (int column = 0; column < 5; ++column) {
            const QModelIndex index = grid->model()->index(row, column);
            const QRect cell = grid->visualRect(index);
            const QPoint inside(cell.right() - 4, cell.center().y());
            EXPECT_EQ(isYellow(image, inside), marked) << "row " << row << " column " << column;
            QStyleOptionViewItem option;
            option.initFrom(grid);
            EXPECT_EQ(delegate->cellOption(option, index).font.bold(), marked);
        }
    }
}

namespace {

// Closes the report preview from inside its event loop, noting that it opened. The timer dies
// with `context`, so a click that opened nothing leaves it armed for no later test.
void closePreviewSoon(QObject* context, bool& opened) {
    QTimer::singleShot(0, context, [&opened] {
        auto* dialog = qobject_cast<ReportPreviewDialog*>(QApplication::activeModalWidget());
        opened = dialog != nullptr;
        if (dialog)
            dialog->close();
    });
}

} // namespace

TEST_F(BrowserTest, ReportInDateMode) {
    browser->SpeedButton1->click();
    EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Notice),
              QStringList({"Wygenerowanie raportu niemożliwe! Wybierz nr czytnika."}));
    EXPECT_TRUE(log.isEmpty());

    chooseInstrument("12");
    chooseDates(day, day.addDays(1));
    browser->CheckBox1->click(); // one day: the period still names both dates
    bool opened = false;
    closePreviewSoon(browser.get(), opened);
    browser->SpeedButton1->click();
    EXPECT_TRUE(opened);
    EXPECT_EQ(report.QRaport1->QRLabel2, "za okres od 5.03.2024 do 5.03.2024");
    EXPECT_EQ(report.QRaport1->QRLabel6, "Odbicia pochodzą z czytnika nr 12");
    EXPECT_EQ(log, QStringList({"Wygenerowanie raportu"}));
    EXPECT_EQ(dialogs.shown.size(), 1u);
}

TEST_F(BrowserTest, ReportInDownloadMode) {
    browser->CheckBox2->click();
    browser->SpeedButton1->click();
    EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Notice),
              QStringList({"Wygenerowanie raportu niemożliwe! Wybierz nr odczytu."}));

    chooseDownload(download2);
    bool opened = false;
    closePreviewSoon(browser.get(), opened);
    browser->SpeedButton1->click();
    EXPECT_TRUE(opened);
    EXPECT_EQ(report.QRaport1->QRLabel2,
              QStringLiteral("na podstawie odczytu danych nr %1").arg(download2));
    EXPECT_EQ(report.QRaport1->QRLabel6, "Odbicia pochodzą z czytnika nr 012"); // first row
    EXPECT_EQ(log, QStringList({"Wygenerowanie raportu"}));

    // The grid stands on the row whose instrument the report names.
    browser->RxDBGrid1->setCurrentIndex(browser->model()->index(1, 0));
    closePreviewSoon(browser.get(), opened);
    browser->SpeedButton1->click();
    EXPECT_EQ(report.QRaport1->QRLabel6, "Odbicia pochodzą z czytnika nr 0");

    // A download without punches has no instrument: no report rather than a wrong number.
    const qint32 empty = dm.appendDownload(QDateTime(day, QTime(11, 0)));
    browser->refillLookups();
    chooseDownload(empty);
    opened = false;
    closePreviewSoon(browser.get(), opened);
    browser->SpeedButton1->click();
    EXPECT_FALSE(opened);
    EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Notice).last(),
              QStringLiteral("Wygenerowanie raportu niemożliwe! Odczyt nr %1 nie zawiera odbić.")
                  .arg(empty));
    EXPECT_EQ(log.size(), 2);
    EXPECT_EQ(report.QRaport1->QRLabel6, "Odbicia pochodzą z czytnika nr 0");
}

TEST_F(BrowserTest, ShowingAgainKeepsEverythingAndRefillsTheLookups) {
    chooseInstrument("0");
    chooseDates(day.addDays(-1), day.addDays(1));
    browser->CheckBox1->click();
    browser->CheckBox2->click();
    chooseDownload(download1);
    const std::vector<int> before = shown();
    browser->hide();
    dm.insertReader("99");
    dm.appendDownload(QDateTime(day, QTime(12, 0)));
    browser->show();

    EXPECT_EQ(browser->RxDBLookupCombo3->count(), 4);
    EXPECT_EQ(browser->RxDBLookupCombo1->count(), 3);
    EXPECT_EQ(browser->RxDBLookupCombo3->currentText(), "0");
    EXPECT_EQ(browser->RxDBLookupCombo1->currentText(), QString::number(download1));
    EXPECT_EQ(browser->DatePicker1->date(), day.addDays(-1));
    EXPECT_EQ(browser->DatePicker2->date(), day.addDays(-1));
    EXPECT_TRUE(browser->CheckBox1->isChecked());
    EXPECT_TRUE(browser->CheckBox2->isChecked());
    EXPECT_EQ(shown(), before);
}

TEST_F(BrowserTest, EscapeLeavesTheWindowOpenOnlyTheCloseBoxClosesIt) {
    QComboBox* combo = browser->RxDBLookupCombo3;
    combo->showPopup(); // a drop-down dismissed by Escape, then Escape once more
    QTest::keyClick(combo->view(), Qt::Key_Escape);
    ASSERT_FALSE(combo->view()->isVisible());
    for (QWidget* focus : std::initializer_list<QWidget*>{combo, browser->DatePicker1,
                                                          browser->RxDBGrid1, browser.get()}) {
        focus->setFocus();
        QTest::keyClick(focus, Qt::Key_Escape);
        EXPECT_TRUE(browser->isVisible()) << focus->objectName().toStdString();
    }
    browser->close();
    EXPECT_FALSE(browser->isVisible());
}

TEST_F(BrowserTest, MenuKeyOnTheGridOffersTheCsvExportAtTheCurrentCell) {
    chooseInstrument("12");
    chooseDates(day.addDays(-1), day.addDays(1));
    QTableView* grid = browser->RxDBGrid1;
    grid->setCurrentIndex(browser->model()->index(2, 3));
    browser->activateWindow();
    grid->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(browser.get()));
    // The menu key as the platform reports it: a keyboard context menu event to the window,
    // which Qt hands to the focus widget.
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(), QPoint());
    QCoreApplication::sendEvent(browser->windowHandle(), &menuKey);
    ASSERT_TRUE(browser->PopupMenu1->isVisible());
    QStringList items;
    for (const QAction* action : browser->PopupMenu1->actions())
        items << action->text();
    EXPECT_EQ(items, (QStringList{"Zapisz jako CSV...", "Zapisz jako XLSX..."}));
    const QRect cell = grid->visualRect(grid->currentIndex());
    EXPECT_EQ(browser->PopupMenu1->pos(), grid->viewport()->mapToGlobal(cell.center()));
    browser->PopupMenu1->close();
}

TEST_F(BrowserTest, CsvExportWritesEveryRowTheGridShows) {
    const QByteArray header = "\xEF\xBB\xBF"
                              "Data;Czas;Nr pkt.;Nr czytnika;Nr odczytu\r\n";
    const QByteArray d1 = QByteArray::number(download1), d2 = QByteArray::number(download2);
    struct Case {
        std::function<void()> select;
        QByteArray rows;
    } cases[] = {
        {[&] {
             chooseInstrument("12");
             chooseDates(day.addDays(-1), day.addDays(1));
         },
         "2024-03-04;08:15;1;12;" + d1 + "\r\n2024-03-05;08:15;2;12;" + d1 +
             "\r\n2024-03-06;08:15;3;12;" + d1 + "\r\n"},
        {[&] {
             browser->CheckBox2->click();
             chooseDownload(download2);
         },
         "2022-03-05;08:15;6;012;" + d2 + "\r\n2024-03-05;08:15;5;0;" + d2 + "\r\n"},
        {[&] { chooseDownload(-1); }, ""},
    };
    TempFolder out;
    for (const Case& c : cases) {
        c.select();
        dialogs.fileNames = {out.file("odbicia.csv"), out.file("odbicia.xlsx")};
        browser->ZapiszjakoCSV1->trigger();
        EXPECT_EQ(readFileBytes(out.file("odbicia.csv")), header + c.rows);
        // The workbook has the same rows, "012" a text that keeps its zero.
        browser->ZapiszjakoXLSX1->trigger();
        const QByteArray csv = header.mid(3) + c.rows;
        EXPECT_EQ(xlsxCsvLines(readXlsx(out.file("odbicia.xlsx"))).join("\r\n") + "\r\n",
                  QString::fromUtf8(csv));
    }
    EXPECT_EQ(dialogs.texts(TestDialogs::Shown::SaveFile),
              (QStringList{"Zapisz jako CSV", "Zapisz jako XLSX"} +
               QStringList{"Zapisz jako CSV", "Zapisz jako XLSX"} +
               QStringList{"Zapisz jako CSV", "Zapisz jako XLSX"}));
    EXPECT_TRUE(dialogs.texts(TestDialogs::Shown::Error).isEmpty());
}

TEST_F(BrowserTest, CsvExportCancelledOrFailedLeavesNoFile) {
    {
        Transaction transaction(dm);
        for (int k = 0; k < 5000; ++k)
            add(day, "0", download2, 100 + k % 50);
        transaction.commit();
    }
    chooseInstrument("0");
    chooseDates(day, day);
    TempFolder out;
    const QString old = out.file("odbicia.csv");
    ASSERT_TRUE(writeFileBytes(old, "stary plik"));
    // Anuluj, pressed while the rows are being written.
    bool progressShown = false;
    QTimer::singleShot(0, browser.get(), [&] {
        auto* progress = browser->findChild<QProgressDialog*>("CsvProgress");
        ASSERT_TRUE(progress);
        progressShown = progress->labelText() == "Zapisywanie pliku CSV...";
        progress->cancel();
    });
    dialogs.fileNames = {old};
    browser->ZapiszjakoCSV1->trigger();
    EXPECT_TRUE(progressShown);
    // A folder that does not exist.
    const QString missing = out.file("brak/odbicia.csv");
    dialogs.fileNames = {missing};
    browser->ZapiszjakoCSV1->trigger();
    EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Error),
              QStringList{"Nie można zapisać pliku " + QDir::toNativeSeparators(missing) + ": " +
                          QString::fromStdString(platform::OsError::fromCode(ENOENT).text()) +
                          "."});
    EXPECT_EQ(folderEntries(out.path()), QStringList{"odbicia.csv"});
    EXPECT_EQ(readFileBytes(old), "stary plik");
    // Without a file name nothing happens.
    browser->ZapiszjakoCSV1->trigger();
    EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Error).size(), 1);
}

TEST_F(BrowserTest, CsvExportOfADamagedTableFailsInsteadOfWritingPartOfIt) {
    {
        Transaction transaction(dm);
        for (int k = 0; k < 30000; ++k)
            add(day, "0", download2, 100 + k % 50);
        transaction.commit();
    }
    // Read from the file from now on, not from the cache the insert left.
    dm.tbOdbicia.Close();
    dm.tbOdbicia.Open();
    chooseInstrument("0");
    chooseDates(day, day);
    // The table's file damaged while the rows are being read.
    QTimer::singleShot(0, browser.get(), [&] {
        QFile file(dm.tbOdbicia.filePath());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.seek(file.size() / 3));
        file.write(QByteArray(file.size() - file.size() / 3, '\0'));
    });
    TempFolder out;
    dialogs.fileNames = {out.file("odbicia.csv")};
    browser->ZapiszjakoCSV1->trigger();
    const QStringList errors = dialogs.texts(TestDialogs::Shown::Error);
    ASSERT_FALSE(errors.isEmpty());
    EXPECT_TRUE(errors[0].startsWith(dm.tbOdbicia.filePath() + ": ")) << errors[0].toStdString();
    EXPECT_TRUE(folderEntries(out.path()).isEmpty());
}
