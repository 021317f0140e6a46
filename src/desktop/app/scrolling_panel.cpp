// The About window's scrolling description panel and the arithmetic of its scrolling.
#include "desktop/app/scrolling_panel.h"

#include "core/common/error_handler.h"
#include "core/common/legacy_fonts.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace ronvalo {

namespace {

bool isBlank(const QString& line) {
    return line.trimmed().isEmpty();
}

} // namespace

QStringList scrollBlock(const QStringList& lines) {
    const auto first = std::find_if_not(lines.begin(), lines.end(), isBlank);
    if (first == lines.end())
        return {};
    const auto last = std::find_if_not(lines.rbegin(), lines.rend(), isBlank).base();
    return QStringList(first, last);
}

int scrollLineHeight(const QFontMetrics& metrics) {
    // Qt may report a negative leading for some fonts; external leading is never negative.
    return metrics.height() + std::max(0, metrics.leading()) + 1;
}

int nextScrollOffset(int offset, int panelHeight, int blockHeight) {
    const int next = offset + 1;
    return next >= panelHeight + blockHeight ? 0 : next;
}

ScrollingPanel::ScrollingPanel(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setFont(windowFont(13));
    timer_.setInterval(TickMilliseconds);
    connect(&timer_, &QTimer::timeout, this, guarded([this](auto&&...) { tick(); }));
}

void ScrollingPanel::setLines(const QStringList& lines) {
    lines_ = lines;
    if (hasSurface())
        surface_ = drawBlock();
    update();
}

int ScrollingPanel::blockHeight() const {
    return static_cast<int>(scrollBlock(lines_).size()) * scrollLineHeight(fontMetrics());
}

void ScrollingPanel::start() {
    offset_ = 0;
    surface_ = drawBlock();
    timer_.start();
    update();
}

void ScrollingPanel::stop() {
    timer_.stop();
    surface_ = QPixmap();
    update();
}

void ScrollingPanel::tick() {
    offset_ = nextScrollOffset(offset_, height(), blockHeight());
    update();
}

QPixmap ScrollingPanel::drawBlock() const {
    const QStringList block = scrollBlock(lines_);
    const int lineHeight = scrollLineHeight(fontMetrics());
    QPixmap pixmap(std::max(1, contentsRect().width()),
                   std::max(1, static_cast<int>(block.size()) * lineHeight));
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setFont(font());
    for (int i = 0; i < block.size(); ++i) {
        // The shadow one pixel below and to the right makes the lettering stand out.
        const QRect line(0, i * lineHeight, pixmap.width() - 1, lineHeight - 1);
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawText(line.translated(1, 1), Qt::AlignHCenter | Qt::AlignTop, block[i]);
        painter.setPen(Qt::blue);
        painter.drawText(line, Qt::AlignHCenter | Qt::AlignTop, block[i]);
    }
    return pixmap;
}

void ScrollingPanel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (!hasSurface())
        return;
    QPainter painter(this);
    painter.setClipRect(contentsRect());
    painter.drawPixmap(contentsRect().x(), blockTop(), surface_);
}

} // namespace ronvalo
