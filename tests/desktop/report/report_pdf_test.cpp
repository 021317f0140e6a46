// The punch report rendered to PDF and read back with poppler: pages, bands, rows and marking.
#include "core/common/clock.h"
#include "core/common/exception.h"
#include "desktop/report/report_form.h"
#include "support/pdf_reading.h"
#include "support/temp_folder.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

// Row k of a test report: a unique time (k minutes after midnight) and the checkpoint given.
Punch punchAt(int k, qint32 checkpoint = 100) {
    Punch punch;
    punch.Data = QDate(2024, 3, 5);
    punch.Czas = QTime(0, 0).addSecs(60 * k);
    punch.Nrwewpkt = checkpoint;
    return punch;
}

std::vector<Punch> numberedRows(int count) {
    std::vector<Punch> rows;
    for (int k = 0; k < count; ++k)
        rows.push_back(punchAt(k));
    return rows;
}

PunchSourceFactory sourceOf(std::vector<Punch> rows) {
    return [rows = std::move(rows)] {
        return PunchSource([&rows, next = std::size_t(0)](Punch& out) mutable {
            if (next == rows.size())
                return false;
            out = rows[next++];
            return true;
        });
    };
}

class ReportPdf : public ::testing::Test {
protected:
    PdfDocument render(std::vector<Punch> rows) {
        form.setPunchSourceFactory(sourceOf(std::move(rows)));
        const QString path = folder.file("raport.pdf");
        form.QRaport1->writePdf(path);
        return readPdf(path);
    }

    TempFolder folder;
    FakeClock clock{QDateTime(QDate(2024, 3, 5), QTime(8, 15, 0))};
    TfrRaport2 form;
};

const double kCentre = pointsFromMm(20 + 90);

double centreOf(const PdfText& text) {
    return text.left + text.width / 2;
}

} // namespace

TEST_F(ReportPdf, EmptyReportIsOneA4PageWithHeaderTitleAndFooter) {
    const PdfDocument pdf = render({});
    EXPECT_EQ(pdf.pages, 1);
    EXPECT_TRUE(pdf.pageSize.contains("(A4)")) << pdf.pageSize.toStdString();

    struct Expected {
        QString text;
        double leftMm; // negative: centred across the page between the margins
        double topMm;
        bool bold;
    } expected[] = {
        {"Wydrukowano:  5.03.2024 08:15:00", 20 + 120.65, 15 + 6.35, false},
        {"Raport", -1, 26.9 + 6.35, true},
        {"za okres", -1, 26.9 + 12.7, true},
        {"czytnik", -1, 26.9 + 19.05, true},
        {"1", -1, 268.5 + 2.1, false},
        {"Wydrukowano przy uzyciu programu Ronvalo 2.2", 20 + 2.1, 268.5 + 9.0, false},
    };
    for (const auto& e : expected) {
        const auto found = pdf.find(e.text, 1);
        ASSERT_EQ(found.size(), 1u) << e.text.toStdString();
        const PdfText& text = found.front();
        if (e.leftMm < 0)
            EXPECT_NEAR(centreOf(text), kCentre, 2) << e.text.toStdString();
        else
            EXPECT_NEAR(text.left, pointsFromMm(e.leftMm), 1.5) << e.text.toStdString();
        EXPECT_NEAR(text.top, pointsFromMm(e.topMm), 2) << e.text.toStdString();
        EXPECT_EQ(text.bold, e.bold) << e.text.toStdString();
    }
    // The program's face for Arial, embedded, whatever the machine's font configuration.
    EXPECT_EQ(pdf.fonts, QStringList({"LiberationSans", "LiberationSans-Bold"}));
    // No rows, so no column is started and no column header printed.
    EXPECT_TRUE(pdf.find("Data").empty());
    EXPECT_EQ(pdf.texts.size(), std::size(expected));
}

TEST_F(ReportPdf, MarkedCheckpointsCarryAStarAndBoldNumber) {
    const qint32 checkpoints[] = {171, 175, 174, 170, 172, 173, -5};
    std::vector<Punch> rows;
    for (int k = 0; k < int(std::size(checkpoints)); ++k)
        rows.push_back(punchAt(k, checkpoints[k]));
    const PdfDocument pdf = render(rows);

    const ReportLayout layout;
    for (int k = 0; k < int(std::size(checkpoints)); ++k) {
        const bool marked = isMarkedCheckpoint(checkpoints[k]);
        const auto line = pdf.line(1, pointsFromMm(layout.place(k).top));
        ASSERT_EQ(line.size(), 3u) << k;
        EXPECT_EQ(line[0].text, "5.03.2024");
        EXPECT_FALSE(line[1].bold);
        const PdfText& number = line[2];
        const QString expected = QString::number(checkpoints[k]) + (marked ? " *" : "");
        EXPECT_EQ(number.text, expected) << k;
        EXPECT_EQ(number.bold, marked) << k;
        if (!marked) { // right-aligned in the box ending at 44.7
            EXPECT_NEAR(number.right(), pointsFromMm(20 + 44.7), 1.5) << k;
        }
    }
    EXPECT_TRUE(pdf.layoutText.contains("171 *"));
    EXPECT_FALSE(pdf.layoutText.contains("175 *"));
}

TEST_F(ReportPdf, WideCheckpointNumbersAreWholeAndClearOfTheTime) {
    const qint32 checkpoints[] = {12345, 1234567, 2147483647, -2147483647 - 1};
    std::vector<Punch> rows;
    for (int k = 0; k < int(std::size(checkpoints)); ++k)
        rows.push_back(punchAt(8 * 60 + k, checkpoints[k]));
    const PdfDocument pdf = render(rows);

    const RegionalFormats formats = RegionalFormats::fromEnvironment();
    for (int k = 0; k < int(std::size(checkpoints)); ++k) {
        const QString number = QString::number(checkpoints[k]);
        const QString time = formats.formatLongTime(punchAt(8 * 60 + k).Czas);
        const auto numbers = pdf.find(number, 1);
        const auto times = pdf.find(time, 1);
        ASSERT_EQ(numbers.size(), 1u) << k;
        ASSERT_EQ(times.size(), 1u) << k;
        EXPECT_NEAR(numbers.front().right(), pointsFromMm(20 + 44.7), 1.5) << k;
        EXPECT_GE(numbers.front().left, times.front().right() + 1) << k;
        EXPECT_GE(numbers.front().size, 6) << k; // readable on paper
        EXPECT_TRUE(pdf.layoutText.contains(QRegularExpression(time + "\\s+" + number + "\\n")))
            << k;
    }
}

TEST_F(ReportPdf, RowsFlowDownColumnsThenOntoANewPage) {
    const ReportLayout layout;
    const int first = layout.rowsPerColumn(0);
    // The first page full, then one column and one row on the second page.
    const int count = 3 * first + layout.rowsPerColumn(1) + 1;
    form.QRaport1->QRLabel2 = "za okres od 1.03.2024 do 5.03.2024";
    const PdfDocument pdf = render(numberedRows(count));
    EXPECT_EQ(pdf.pages, 2);

    const RegionalFormats formats = RegionalFormats::fromEnvironment();
    for (const int k : {0, first - 1, first, 2 * first, 3 * first - 1, 3 * first, count - 1}) {
        const RowPlace place = layout.place(k);
        const auto found = pdf.find(formats.formatLongTime(punchAt(k).Czas));
        ASSERT_EQ(found.size(), 1u) << k;
        EXPECT_EQ(found.front().page, place.page + 1) << k;
        EXPECT_NEAR(found.front().left, pointsFromMm(place.left + 19.05), 1.5) << k;
        EXPECT_NEAR(found.front().top, pointsFromMm(place.top), 2) << k;
    }

    // Page header and footer on both pages, the title on the first only, a column header
    // above every started column.
    EXPECT_EQ(pdf.find("Wydrukowano:  5.03.2024 08:15:00", 2).size(), 1u);
    const auto line2 = pdf.find("za okres od 1.03.2024 do 5.03.2024");
    ASSERT_EQ(line2.size(), 1u);
    EXPECT_EQ(line2.front().page, 1);
    EXPECT_NEAR(centreOf(line2.front()), kCentre, 2);
    EXPECT_TRUE(pdf.find("Raport", 2).empty());
    EXPECT_EQ(pdf.find("Data", 1).size(), 3u);
    const auto headers = pdf.find("Nr pkt.", 2);
    ASSERT_EQ(headers.size(), 2u);
    for (const auto& header : headers) {
        EXPECT_NEAR(header.top, pointsFromMm(layout.columnHeaderTop(1) + 2.1), 2);
        EXPECT_TRUE(header.bold);
    }
    EXPECT_NEAR(headers[0].right(), pointsFromMm(20 + 44.45), 1.5);
    EXPECT_EQ(pdf.find("2", 2).size(), 1u);
    EXPECT_EQ(pdf.find("Wydrukowano przy uzyciu programu Ronvalo 2.2", 2).size(), 1u);
}

TEST_F(ReportPdf, UnwritableFileIsReported) {
    form.setPunchSourceFactory(sourceOf({punchAt(0)}));
    EXPECT_THROW(form.QRaport1->writePdf(folder.file("missing/raport.pdf")), EFCreateError);
}
