// Prints how long the punch report takes from its row source to a finished PDF file and to an
// open preview, and the preview's memory, each beside a baseline measured in the same run.
#include "core/report/report_pages.h"
#include "desktop/report/report_form.h"
#include "desktop/report/report_page_view.h"
#include "desktop/report/report_preview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <malloc.h>
#include <sys/resource.h>
#include <vector>

using namespace ronvalo;

namespace {

// A day's patrol after another: a punch a minute, every ninth at a marked checkpoint.
std::vector<Punch> makePunches(int count) {
    std::vector<Punch> punches(count);
    for (int k = 0; k < count; ++k) {
        punches[k].Data = QDate(2024, 1, 1).addDays(k / 1440);
        punches[k].Czas = QTime(0, 0).addSecs(60 * (k % 1440));
        punches[k].Nrwewpkt = 166 + k % 9;
        punches[k].Nrczyt = QStringLiteral("0000012345");
    }
    return punches;
}

PunchSourceFactory sourceOf(const std::vector<Punch>& punches) {
    return [&punches] {
        return PunchSource([&punches, next = std::size_t(0)](Punch& out) mutable {
            if (next == punches.size())
                return false;
            out = punches[next++];
            return true;
        });
    };
}

long processPeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// A line of /proc/self/status in kB ("VmRSS", "VmHWM"); 0 when it cannot be read.
long statusKilobytes(const char* name) {
    long value = 0;
    if (FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        const std::size_t length = std::strlen(name);
        while (std::fgets(line, sizeof line, status))
            if (std::strncmp(line, name, length) == 0 && line[length] == ':')
                value = std::atol(line + length + 1);
        std::fclose(status);
    }
    return value;
}

// How far the resident memory rises above its level at the start: the memory the runs before
// freed goes back to the system first (else the run reuses it unseen), and the kernel's peak is
// reset (clear_refs 5), so what those runs reached does not count.
class MemoryGrowth {
public:
    MemoryGrowth() {
        malloc_trim(0);
        if (FILE* clear = std::fopen("/proc/self/clear_refs", "w")) {
            std::fputs("5", clear);
            std::fclose(clear);
        }
        start_ = statusKilobytes("VmRSS");
    }
    double megabytes() const { return (statusKilobytes("VmHWM") - start_) / 1024.0; }

private:
    long start_ = 0;
};

// What no layout of these rows can go below: the same texts drawn at the same places in fonts
// made once, nothing measured (every number fits its box in these rows).
class BaselinePainter {
public:
    BaselinePainter(QPainter& painter, QPointF originMm, const ReportContent& content)
        : painter_(painter), scale_(painter.device()->logicalDpiX() / 25.4), origin_(originMm),
          content_(content), printedAt_(printedAtText(content.builtAt, content.formats)) {
        painter_.setPen(Qt::black);
    }

    void pageFrame(qint64 page) {
        text(regular10_, 140.65, 21.35, 59.35, Qt::AlignLeft, printedAt_);
        if (page == 0) {
            text(bold12_, 20, 33.25, 180, Qt::AlignHCenter, QStringLiteral("Raport"));
            text(bold12_, 20, 39.6, 180, Qt::AlignHCenter, content_.QRLabel2);
            text(bold12_, 20, 45.95, 180, Qt::AlignHCenter, content_.QRLabel6);
        }
        text(regular10_, 20, 270.6, 180, Qt::AlignHCenter, QString::number(page + 1));
        text(regular6_, 22.1, 277.5, 177.9, Qt::AlignLeft,
             QStringLiteral("Wydrukowano przy uzyciu programu Ronvalo 2.2"));
    }

    void row(const ReportLayout& layout, const RowPlace& at, const Punch& punch) {
        const double left = at.left;
        if (at.rowInColumn == 0) {
            const double top = layout.columnHeaderTop(at.page);
            painter_.setPen(QPen(Qt::black, 0.2 * scale_));
            painter_.drawRect(rect(left + 0.1, top + 0.1, 59.8, 9.1));
            text(bold8_, left + 2.1, top + 2.1, 16, Qt::AlignLeft, QStringLiteral("Data"));
            text(bold8_, left + 19.05, top + 2.1, 16, Qt::AlignLeft, QStringLiteral("Czas"));
            text(bold8_, left + 28.45, top + 2.1, 16, Qt::AlignRight, QStringLiteral("Nr pkt."));
        }
        const bool marked = isMarkedCheckpoint(punch.Nrwewpkt);
        text(regular8_, left + 2.1, at.top, 16.9, Qt::AlignLeft,
             content_.formats.formatShortDate(punch.Data));
        text(regular8_, left + 19.05, at.top, 16.6, Qt::AlignLeft,
             content_.formats.formatLongTime(punch.Czas));
        text(marked ? bold8_ : regular8_, left + 35.7, at.top, 9, Qt::AlignRight,
             QString::number(punch.Nrwewpkt));
        if (marked)
            text(bold8_, left + 45.24, at.top, 14.76, Qt::AlignLeft, QStringLiteral("*"));
    }

private:
    static QFont font(double points, bool bold) {
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPointSizeF(points);
        font.setBold(bold);
        return font;
    }
    QRectF rect(double left, double top, double width, double height) const {
        return {(left - origin_.x()) * scale_, (top - origin_.y()) * scale_, width * scale_,
                height * scale_};
    }
    void text(const QFont& font, double left, double top, double width, int align,
              const QString& text) {
        if (&font != current_) {
            painter_.setFont(font);
            current_ = &font;
        }
        painter_.drawText(rect(left, top, width, 8),
                          align | Qt::AlignTop | Qt::TextDontClip | Qt::TextSingleLine, text);
    }

    QPainter& painter_;
    double scale_;
    QPointF origin_;
    const ReportContent& content_;
    QString printedAt_;
    const QFont regular10_ = font(10, false), bold12_ = font(12, true), regular6_ = font(6, false),
                regular8_ = font(8, false), bold8_ = font(8, true);
    const QFont* current_ = nullptr;
};

void paintBaselinePdf(const QString& path, const std::vector<Punch>& punches) {
    QPdfWriter writer(path);
    writer.setPageLayout(reportPageLayout());
    const ReportLayout layout;
    const ReportContent content;
    QPainter painter(&writer);
    BaselinePainter bands(painter, writer.pageLayout().paintRect(QPageLayout::Millimeter).topLeft(),
                          content);
    qint64 page = 0;
    bands.pageFrame(page);
    for (std::size_t k = 0; k < punches.size(); ++k) {
        const RowPlace at = layout.place(qint64(k));
        if (at.page != page) {
            writer.newPage();
            bands.pageFrame(page = at.page);
        }
        bands.row(layout, at, punches[k]);
    }
}

double ratio(qint64 ms, qint64 baseline) {
    return double(ms) / double(std::max<qint64>(baseline, 1));
}

// Wall-clock and processor time of a step: on a busy machine the second is the steadier.
class Stopwatch {
public:
    Stopwatch() { restart(); }
    void restart() {
        wall_.start();
        cpu_ = std::clock();
    }
    qint64 wallMs() const { return wall_.elapsed(); }
    qint64 cpuMs() const { return qint64(std::clock() - cpu_) * 1000 / CLOCKS_PER_SEC; }

private:
    QElapsedTimer wall_;
    std::clock_t cpu_ = 0;
};

void benchPdf(TfrRaport2& form, const QString& path, int count) {
    const std::vector<Punch> punches = makePunches(count);
    form.setPunchSourceFactory(sourceOf(punches));
    Stopwatch watch;
    paintBaselinePdf(path, punches);
    const qint64 baseWall = watch.wallMs(), baseCpu = watch.cpuMs();
    watch.restart();
    const PaintedReport report = form.QRaport1->writePdf(path);
    const qint64 wall = watch.wallMs(), cpu = watch.cpuMs();
    std::printf("pdf      %7d punches: %6lld ms (cpu %6lld ms), baseline %6lld ms (cpu %6lld "
                "ms), ratio %4.2f (cpu %4.2f); %4lld pages, %5lld kB\n",
                count, wall, cpu, baseWall, baseCpu, ratio(wall, baseWall), ratio(cpu, baseCpu),
                report.pages, QFileInfo(path).size() / 1024);
}

// The preview's baseline: every row read once, as counting the pages must, and the first
// page's texts drawn in fonts made once into an image of `pixels`.
qint64 paintBaselinePage(QSize pixels, int dotsPerInch, const std::vector<Punch>& punches) {
    Stopwatch watch;
    const PunchSource rows = sourceOf(punches)();
    Punch punch;
    qint64 read = 0;
    while (rows(punch))
        ++read;
    QImage image(pixels, QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dotsPerInch / 0.0254));
    image.setDotsPerMeterY(qRound(dotsPerInch / 0.0254));
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(pixels.width() / (210 * dotsPerInch / 25.4),
                  pixels.height() / (297 * dotsPerInch / 25.4));
    const ReportLayout layout;
    const ReportContent content;
    BaselinePainter bands(painter, QPointF(0, 0), content);
    bands.pageFrame(0);
    for (qint64 k = 0; k < std::min(read, layout.rowsPerPage(0)); ++k)
        bands.row(layout, layout.place(k), punches[std::size_t(k)]);
    return watch.wallMs();
}

// Opens the preview and paints what it shows first; the milliseconds that took.
qint64 openPreview(ReportPreviewDialog& dialog) {
    Stopwatch watch;
    dialog.show();
    dialog.grab();
    return watch.wallMs();
}

// What the operator waits for: the preview open with its first page painted, then the last
// page and one in the middle brought into view; and how far the memory rises meanwhile (the
// empty report's figure is the baseline: it holds one page). The time's baseline is the empty
// report's preview plus reading every row and drawing the first page's texts in fonts made once.
void benchPreview(QPrinter& printer, int count) {
    const std::vector<Punch> punches = makePunches(count);
    qint64 empty = 0;
    {
        ReportPages none(ReportContent(), nullptr);
        ReportPreviewDialog dialog(&printer, none);
        empty = openPreview(dialog);
    }

    const MemoryGrowth memory;
    Stopwatch watch;
    ReportPages pages(ReportContent(), sourceOf(punches));
    ReportPreviewDialog dialog(&printer, pages);
    const qint64 open = watch.wallMs() + openPreview(dialog);
    watch.restart();
    dialog.pageView()->setCurrentPage(dialog.pageCount() - 1);
    dialog.grab();
    const qint64 last = watch.wallMs();
    watch.restart();
    dialog.pageView()->setCurrentPage(dialog.pageCount() / 2);
    dialog.grab();
    const qint64 middle = watch.wallMs();
    const double grown = memory.megabytes();

    const int width = (dialog.pageView()->viewport()->width() - 24) * dialog.devicePixelRatioF();
    const qint64 baseline =
        empty + paintBaselinePage(QSize(width, width * 297 / 210), printer.resolution(), punches);
    std::printf("preview  %7d punches: open %5lld ms, baseline %5lld ms, ratio %4.2f; last page "
                "%5lld ms, middle page %5lld ms; %4lld pages, %d held; memory growth %5.1f MB\n",
                count, open, baseline, ratio(open, baseline), last, middle, dialog.pageCount(),
                dialog.pageView()->heldPages(), grown);
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!std::getenv("LC_ALL"))
        setenv("LC_ALL", "pl_PL.UTF-8", 1);
    QApplication app(argc, argv);
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2;
    QTemporaryDir folder;
    TfrRaport2 form;
    for (const int count : {10000, 100000})
        for (int r = 0; r < repeats; ++r)
            benchPdf(form, folder.filePath(QStringLiteral("raport.pdf")), count);
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(reportPageLayout());
    for (const int count : {0, 10000, 100000})
        for (int r = 0; r < repeats; ++r)
            benchPreview(printer, count);
    std::printf("peak RSS of the process %ld MB\n", processPeakMegabytes());
    return 0;
}
