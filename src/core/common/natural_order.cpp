// Natural order: names cut into runs of digits and runs of other characters, compared run by run.
#include "core/common/natural_order.h"

#include <QCollator>
#include <QLocale>
#include <QStringView>

namespace ronvalo {

namespace {

// The run of digits, or of anything else, that starts at `at`.
QStringView runAt(const QString& text, qsizetype at) {
    const bool digits = text[at].isDigit();
    qsizetype end = at;
    while (end < text.size() && text[end].isDigit() == digits)
        ++end;
    return QStringView(text).mid(at, end - at);
}

// Two runs of digits by their value: without leading zeros the longer is larger, and runs of
// one length compare digit by digit. No conversion, so any length compares right.
int compareNumbers(QStringView a, QStringView b) {
    while (a.size() > 1 && a.front() == u'0')
        a = a.mid(1);
    while (b.size() > 1 && b.front() == u'0')
        b = b.mid(1);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

} // namespace

bool naturalLess(const QString& a, const QString& b) {
    QCollator collator{QLocale(QLocale::Polish, QLocale::Poland)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        const QStringView runA = runAt(a, i);
        const QStringView runB = runAt(b, j);
        const bool numbers = runA.front().isDigit() && runB.front().isDigit();
        const int order = numbers ? compareNumbers(runA, runB) : collator.compare(runA, runB);
        if (order != 0)
            return order < 0;
        i += runA.size();
        j += runB.size();
    }
    if (i < a.size() || j < b.size())
        return j < b.size(); // the one that ran out first is a beginning of the other
    return a < b;
}

} // namespace ronvalo
