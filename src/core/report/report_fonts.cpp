// The punch report's fonts: the face the program maps Arial to, at the report's sizes.
#include "core/report/report_fonts.h"

#include "core/common/legacy_fonts.h"

#include <QTextLayout>

namespace ronvalo {

namespace {

QFont reportFont(double points, bool bold) {
    QFont font = legacyFont(LegacyFace::Arial);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

} // namespace

MeasuredFont::MeasuredFont(double points, bool bold, const QPaintDevice* device)
    : font_(reportFont(points, bold)), metrics_(font_, device), device_(device) {}

QGlyphRun MeasuredFont::glyphs(const QString& text) {
    return glyphs_.get(text, [&] {
        QTextLayout layout(text, font_, device_);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        const QList<QGlyphRun> runs = layout.glyphRuns();
        return runs.size() == 1 ? runs.front() : QGlyphRun();
    });
}

double MeasuredFont::width(const QString& text) {
    return widths_.get(text, [&] { return metrics_.horizontalAdvance(text); });
}

ReportFonts::ReportFonts(const QPaintDevice* device)
    : regular10(10, false, device), bold10(10, true, device), bold12(12, true, device),
      regular6(6, false, device), regular8(kDetailPoints, false, device),
      bold8(kDetailPoints, true, device), device_(device) {}

MeasuredFont& ReportFonts::detail(int tenths, bool bold) {
    return shrunk_.try_emplace({tenths, bold}, tenths / 10.0, bold, device_).first->second;
}

MeasuredFont& ReportFonts::of(ReportFontKind kind) {
    switch (kind) {
    case ReportFontKind::Regular10:
        return regular10;
    case ReportFontKind::Bold10:
        return bold10;
    case ReportFontKind::Bold12:
        return bold12;
    case ReportFontKind::Regular6:
        return regular6;
    case ReportFontKind::Regular8:
        return regular8;
    case ReportFontKind::Bold8:
        break;
    }
    return bold8;
}

} // namespace ronvalo
