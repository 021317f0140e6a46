// How well the event loop turns while something runs: a timer's ticks counted, and the longest
// wait between two of them.
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>

namespace ronvalo::test {

class EventLoopWatch {
public:
    EventLoopWatch() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (sinceTick_.isValid())
                longestGap_ = std::max(longestGap_, sinceTick_.elapsed());
            sinceTick_.start();
            ++ticks_;
        });
        timer_.start();
    }

    // Counts afresh from now.
    void restart() {
        ticks_ = 0;
        longestGap_ = 0;
        sinceTick_.invalidate();
    }

    int ticks() const { return ticks_; }
    qint64 longestGapMs() const { return longestGap_; }

private:
    QTimer timer_;
    QElapsedTimer sinceTick_;
    int ticks_ = 0;
    qint64 longestGap_ = 0;
};

} // namespace ronvalo::test
