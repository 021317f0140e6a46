// Prints how long the punch report takes from its row source to a finished PDF file.
#include "browse/report_form.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
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

long peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

void benchPdf(TfrRaport2& form, const QString& path, int count) {
    const std::vector<Punch> punches = makePunches(count);
    form.setPunchSourceFactory(sourceOf(punches));
    QElapsedTimer timer;
    timer.start();
    const PaintedReport report = form.QRaport1->writePdf(path);
    const qint64 ms = timer.elapsed();
    std::printf("pdf      %7d punches: %6lld ms, %4lld pages, %6lld kB, peak RSS %ld MB\n", count,
                ms, report.pages, QFileInfo(path).size() / 1024, peakMegabytes());
}

// The preview keeps a recording of every page; this is what the operator waits for.
void benchPreview(int count) {
    const std::vector<Punch> punches = makePunches(count);
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(reportPageLayout());
    QPrintPreviewWidget preview(&printer);
    QObject::connect(&preview, &QPrintPreviewWidget::paintRequested, [&](QPrinter* target) {
        ReportContent content;
        paintReport(*target, content, sourceOf(punches)());
    });
    QElapsedTimer timer;
    timer.start();
    preview.updatePreview();
    const qint64 ms = timer.elapsed();
    std::printf("preview  %7d punches: %6lld ms, %4d pages, peak RSS %ld MB\n", count, ms,
                preview.pageCount(), peakMegabytes());
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!std::getenv("LC_ALL"))
        setenv("LC_ALL", "pl_PL.UTF-8", 1);
    QApplication app(argc, argv);
    QTemporaryDir folder;
    TfrRaport2 form;
    for (const int count : {10000, 100000})
        benchPdf(form, folder.filePath(QStringLiteral("raport.pdf")), count);
    for (const int count : {10000, 100000})
        benchPreview(count);
    return 0;
}
