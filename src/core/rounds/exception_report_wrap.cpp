// The texts of the exception report's cells made to fit their columns: broken into lines, or
// cut short on one line, measuring as few pieces as they can.
#include "core/rounds/exception_report_wrap.h"

#include <algorithm>

namespace ronvalo::detail {

namespace {

// How many characters of `word` from `at` on fit in `room`, at least one. The count doubles
// until a piece no longer fits, then halves back between the last that did and the first that
// did not: a line of L characters costs about 2 log L measurements of at most 2 L characters,
// where cutting one character at a time from the whole rest made a long word cost its length
// squared (a name of 20 000 characters took minutes).
qsizetype fittingLength(const QString& word, qsizetype at, double room, ReportFontKind font,
                        const TextWidth& width) {
    const qsizetype rest = word.size() - at;
    const auto fits = [&](qsizetype count) { return width(font, word.mid(at, count)) <= room; };
    qsizetype good = 0;
    qsizetype bad = rest + 1;
    for (qsizetype count = 1;; count = std::min(2 * count, rest)) {
        if (!fits(count)) {
            bad = count;
            break;
        }
        good = count;
        if (count == rest)
            break;
    }
    while (bad - good > 1) {
        const qsizetype middle = good + (bad - good) / 2;
        (fits(middle) ? good : bad) = middle;
    }
    // A character outside the basic plane is never split between two lines.
    if (good > 1 && good < rest && word[at + good - 1].isHighSurrogate())
        --good;
    return std::max<qsizetype>(good, 1);
}

} // namespace

// Breaks a text into lines no wider than `room`: at blanks, and inside a word only when the word
// alone is wider.
QStringList wrapText(const QString& text, double room, ReportFontKind font,
                     const TextWidth& width) {
    // Most cells fit whole: one measurement, where breaking into words measured every word's
    // line. Only a text whose blanks the breaking would not change: it joins words by one blank.
    const QLatin1Char blank(' ');
    if (!text.startsWith(blank) && !text.endsWith(blank) && !text.contains(QLatin1String("  ")) &&
        width(font, text) <= room)
        return {text};
    QStringList lines;
    QString line;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString joined = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (width(font, joined) <= room) {
            line = joined;
            continue;
        }
        if (!line.isEmpty())
            lines << line;
        qsizetype at = 0;
        for (qsizetype fits = fittingLength(word, at, room, font, width); at + fits < word.size();
             fits = fittingLength(word, at, room, font, width)) {
            lines << word.mid(at, fits);
            at += fits;
        }
        line = word.mid(at);
    }
    if (!line.isEmpty() || lines.isEmpty())
        lines << line;
    return lines;
}

// `text` on one line no wider than `room`: whole when it fits, else its beginning and "…". An
// instrument's label keeps its number, which comes first, and as much of its description as fits.
QString cutText(const QString& text, double room, ReportFontKind font, const TextWidth& width) {
    if (width(font, text) <= room)
        return text;
    const QString ellipsis(QChar(0x2026));
    const qsizetype fits = fittingLength(text, 0, room - width(font, ellipsis), font, width);
    return text.left(fits).trimmed() + ellipsis;
}

} // namespace ronvalo::detail
