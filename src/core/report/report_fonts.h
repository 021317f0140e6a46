// The punch report's fonts, each with its metrics and the widths it measured, made once per
// painting.
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QString>
#include <map>
#include <utility>

class QPaintDevice;

namespace ronvalo {

// Values made once per distinct key, for texts a report repeats row after row (dates, times,
// checkpoint numbers). Once it holds its limit it starts afresh, so a long report never makes it
// grow past it.
template <class Key, class Value> class ValueCache {
public:
    template <class Make> Value get(const Key& key, Make&& make) {
        const auto found = values_.constFind(key);
        if (found != values_.cend())
            return *found;
        if (values_.size() >= kLimit)
            values_.clear();
        return *values_.insert(key, make());
    }

private:
    static constexpr qsizetype kLimit = 4096;
    QHash<Key, Value> values_;
};

// A font of the report with its metrics on the device it paints. Making a font or metrics
// again for every text costs more than drawing the text, and laying a text out again (its width,
// its glyphs) nearly as much: both are kept for the texts the rows repeat.
class MeasuredFont {
public:
    MeasuredFont(double points, bool bold, const QPaintDevice* device);

    const QFont& font() const { return font_; }
    // In the device's dots.
    double ascent() const { return metrics_.ascent(); }
    double width(const QString& text);
    // The text's glyphs as one line lays them out from its top left corner: empty when it
    // takes glyphs of more than one face.
    QGlyphRun glyphs(const QString& text);

private:
    QFont font_;
    QFontMetricsF metrics_;
    const QPaintDevice* device_;
    ValueCache<QString, QGlyphRun> glyphs_;
    ValueCache<QString, qreal> widths_;
};

// The report's fonts by name, for layouts made apart from the painting.
enum class ReportFontKind { Regular10, Bold10, Bold12, Regular6, Regular8, Bold8 };

// The fonts the report's bands use, made for one device.
class ReportFonts {
public:
    static constexpr double kDetailPoints = 8;

    explicit ReportFonts(const QPaintDevice* device);

    MeasuredFont& detail(bool bold) { return bold ? bold8 : regular8; }
    // The detail font at a smaller size, in tenths of a point; made the first time it is asked
    // for, since only the rare checkpoint number wider than its room needs one.
    MeasuredFont& detail(int tenths, bool bold);
    MeasuredFont& of(ReportFontKind kind);

    MeasuredFont regular10; // the page header's date and the page number
    MeasuredFont bold10;    // section headings
    MeasuredFont bold12;    // the title
    MeasuredFont regular6;  // the printed-by line
    MeasuredFont regular8;  // the detail band
    MeasuredFont bold8;     // the column header, marked numbers and the marker

private:
    const QPaintDevice* device_;
    std::map<std::pair<int, bool>, MeasuredFont> shrunk_;
};

} // namespace ronvalo
