// What the web benchmark reads of its measurements: the median of timed runs, and the figures of
// an ab run (Debian's apache2-utils) from its report.
#pragma once

#include <QString>
#include <optional>
#include <vector>

namespace ronvalo::bench {

// The middle run; of an even number the mean of the two middle ones; 0 for none.
double median(std::vector<double> runs);

struct LoadFigures {
    qint64 complete = 0;
    qint64 failed = 0;       // all failures ab counts, those of the length among them
    qint64 lengthFailed = 0; // answers whose length differs from the first: no fault of a page
                             // that says what time it is
    qint64 non2xx = 0;
    double requestsPerSecond = 0;
    double p95Ms = 0; // 95% of the requests were served within this time
};

// The figures of ab's report; nullopt when one of the complete requests, the requests per second
// or the 95th percentile is missing (ab stopped early, or wrote something else).
std::optional<LoadFigures> parseAbReport(const QString& report);

} // namespace ronvalo::bench
