// Reading a rendered PDF back with poppler-utils: page count and size, texts with positions.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace ronvalo::test {

// One run of text as poppler finds it; positions in points from the page's top left corner.
struct PdfText {
    int page = 0; // 1 first
    double top = 0;
    double left = 0;
    double width = 0;
    bool bold = false;
    double size = 0; // the font's size in points
    QString text;

    double right() const { return left + width; }
};

struct PdfDocument {
    int pages = 0;
    QString pageSize;   // pdfinfo's "Page size" line, e.g. "595 x 842 pts (A4)"
    QString layoutText; // pdftotext -layout
    QStringList fonts;  // pdffonts' names without the subset tag, e.g. "LiberationSans-Bold"
    std::vector<PdfText> texts;

    std::vector<PdfText> find(const QString& text, int page = 0) const;
    // The texts whose top lies within a point and a half of `top` on the page, left to right.
    std::vector<PdfText> line(int page, double top) const;
};

// Runs pdfinfo, pdftotext and pdftohtml on the file; fails the calling test when one fails.
PdfDocument readPdf(const QString& path);

constexpr double pointsFromMm(double mm) {
    return mm * 72.0 / 25.4;
}

} // namespace ronvalo::test
