// The About window's scrolling description panel and the arithmetic of its scrolling.
#pragma once

#include <QFrame>
#include <QPixmap>
#include <QStringList>
#include <QTimer>

class QFontMetrics;

namespace ronvalo {

// The lines from the first non-blank one to the last non-blank one; blank lines between stay.
QStringList scrollBlock(const QStringList& lines);

// One line of the block: the font's height, its external leading, and one pixel that the
// raised lettering's shadow needs below the glyphs.
int scrollLineHeight(const QFontMetrics& metrics);

// The offset after one tick: one pixel higher, back to 0 once the block has risen by the
// panel's height plus its own height (it has left the top) so that it enters from the bottom.
int nextScrollOffset(int offset, int panelHeight, int blockHeight);

// A lowered panel through which a block of centred, raised, blue text rises one pixel per tick,
// entering again from the bottom after it has left the top. Active only between start and stop.
class ScrollingPanel : public QFrame {
    Q_OBJECT

public:
    static constexpr int TickMilliseconds = 60;

    explicit ScrollingPanel(QWidget* parent = nullptr);

    void setLines(const QStringList& lines);
    const QStringList& lines() const { return lines_; }

    // Restarts from offset 0 (the block just below the bottom edge) with a freshly drawn surface.
    void start();
    // Halts the timer and frees the drawing surface.
    void stop();
    // One step of the timer: the block rises one pixel.
    void tick();

    bool isActive() const { return timer_.isActive(); }
    bool hasSurface() const { return !surface_.isNull(); }
    int offset() const { return offset_; }
    int blockHeight() const;
    // Where the block's first line starts, in panel coordinates.
    int blockTop() const { return height() - offset_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap drawBlock() const;

    QStringList lines_;
    QTimer timer_;
    QPixmap surface_;
    int offset_ = 0;
};

} // namespace ronvalo
