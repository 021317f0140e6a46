// The report's print preview dialog: the tool bar and the printing, around the page view.
#include "desktop/report/report_preview.h"

#include "core/common/dialogs.h"
#include "core/common/error_handler.h"
#include "core/report/previewed_report.h"
#include "desktop/report/report_page_view.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QSpinBox>
#include <QToolBar>
#include <QVBoxLayout>

namespace ronvalo {

namespace {

constexpr double kZoomStep = 1.25;

} // namespace

ReportPreviewDialog::ReportPreviewDialog(QPrinter* printer, PreviewedReport& pages, QWidget* parent)
    : QDialog(parent), printer_(printer), pages_(pages),
      view_(new ReportPageView(pages, printer->resolution(), this)) {
    setObjectName(QStringLiteral("PrintPreview"));
    setWindowTitle(QStringLiteral("Podgląd wydruku"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    addToolBar();
    layout->addWidget(view_);
    view_->setFocus(); // the page keys scroll from the start
    connect(view_, &ReportPageView::currentPageChanged, this,
            [this](qint64 page) { showPageNumber(page); });
    guarded([this] { view_->setPageCount(pages_.count()); })();
    pageNumber_->setRange(1, static_cast<int>(std::max<qint64>(view_->pageCount(), 1)));
    pageTotal_->setText(QStringLiteral(" / %1 ").arg(view_->pageCount()));
    showPageNumber(0);

    // A page as wide as a third of the screen's height is readable and leaves room around it.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize room = screen->availableSize();
        resize(std::min(room.width(), room.height() * 3 / 4), room.height() * 9 / 10);
    }
    widenForToolBar();
}

void ReportPreviewDialog::widenForToolBar() {
    // On a screen less tall than wide the page's width leaves the bar's last actions behind its
    // overflow arrow; the dialog takes the bar's whole width where the screen has it.
    const int needed = bar_->sizeHint().width() + layout()->contentsMargins().left() +
                       layout()->contentsMargins().right();
    int most = needed;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        most = screen->availableSize().width();
    if (width() < needed)
        resize(std::min(needed, most), height());
}

void ReportPreviewDialog::addToolBar() {
    auto* bar = bar_ = new QToolBar(this);
    bar->setObjectName(QStringLiteral("PreviewTools"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    layout()->addWidget(bar);

    print_ = bar->addAction(QStringLiteral("Drukuj..."));
    connect(print_, &QAction::triggered, this, guarded([this] { choosePrinterAndPrint(); }));
    bar->addSeparator();
    connect(bar->addAction(QStringLiteral("Szerokość strony")), &QAction::triggered, view_,
            &ReportPageView::fitWidth);
    connect(bar->addAction(QStringLiteral("Cała strona")), &QAction::triggered, view_,
            &ReportPageView::fitPage);
    connect(bar->addAction(QStringLiteral("Powiększ")), &QAction::triggered, view_,
            [this] { view_->zoomBy(kZoomStep); });
    connect(bar->addAction(QStringLiteral("Pomniejsz")), &QAction::triggered, view_,
            [this] { view_->zoomBy(1 / kZoomStep); });
    bar->addSeparator();
    connect(bar->addAction(QStringLiteral("Pierwsza")), &QAction::triggered, view_,
            [this] { view_->setCurrentPage(0); });
    connect(bar->addAction(QStringLiteral("Poprzednia")), &QAction::triggered, view_,
            [this] { view_->setCurrentPage(view_->currentPage() - 1); });
    pageNumber_ = new QSpinBox(bar);
    pageNumber_->setObjectName(QStringLiteral("PageNumber"));
    pageNumber_->setKeyboardTracking(false);
    bar->addWidget(pageNumber_);
    pageTotal_ = new QLabel(bar);
    bar->addWidget(pageTotal_);
    connect(pageNumber_, &QSpinBox::valueChanged, view_, [this](int number) {
        if (number - 1 != view_->currentPage())
            view_->setCurrentPage(number - 1);
    });
    connect(bar->addAction(QStringLiteral("Następna")), &QAction::triggered, view_,
            [this] { view_->setCurrentPage(view_->currentPage() + 1); });
    connect(bar->addAction(QStringLiteral("Ostatnia")), &QAction::triggered, view_,
            [this] { view_->setCurrentPage(view_->pageCount() - 1); });
}

qint64 ReportPreviewDialog::pageCount() const {
    return view_->pageCount();
}

void ReportPreviewDialog::showPageNumber(qint64 page) {
    const QSignalBlocker quiet(pageNumber_);
    pageNumber_->setValue(static_cast<int>(page + 1));
}

void ReportPreviewDialog::choosePrinterAndPrint() {
    QPrintDialog dialog(printer_, this);
    if (dialog.exec() == QDialog::Accepted)
        print();
}

void ReportPreviewDialog::addPdfSaving(const QString& title, const QString& suggested,
                                       std::function<void(const QString&)> write) {
    auto* save = new QAction(QStringLiteral("Zapisz PDF..."), bar_);
    save->setObjectName(QStringLiteral("SavePdf"));
    const QList<QAction*> actions = bar_->actions();
    const qsizetype after = actions.indexOf(print_) + 1;
    bar_->insertAction(after < actions.size() ? actions[after] : nullptr, save);
    widenForToolBar();
    connect(save, &QAction::triggered, this, guarded([this, title, suggested, write] {
                const QString path = Dialogs::current().saveFileName(
                    QStringLiteral("Zapisz PDF"), suggested, QStringLiteral("Pliki PDF (*.pdf)"));
                if (path.isEmpty())
                    return;
                if (write)
                    write(path);
                else
                    writeReportPdf(path, title, pages_);
            }));
}

void ReportPreviewDialog::print() {
    pages_.print(*printer_);
}

} // namespace ronvalo
