// "Now" for the whole program: the system clock, or a moment a test has set.
#pragma once

#include <QDateTime>
#include <optional>

namespace ronvalo {

class Clock {
public:
    // The current local date and time (the test's moment while a FakeClock is alive).
    static QDateTime now();

private:
    friend class FakeClock;
    static std::optional<QDateTime>& fixed();
};

// Test seam: while alive, Clock::now() returns the moment set here.
class FakeClock {
public:
    explicit FakeClock(const QDateTime& moment) { Clock::fixed() = moment; }
    ~FakeClock() { Clock::fixed().reset(); }
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;
    void set(const QDateTime& moment) { Clock::fixed() = moment; }
    void advance(qint64 ms) { Clock::fixed() = Clock::fixed()->addMSecs(ms); }
};

} // namespace ronvalo
