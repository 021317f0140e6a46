// ab's report read into the figures the web benchmark prints.
#include "load_figures.h"

#include <gtest/gtest.h>

namespace ronvalo::bench {
namespace {

const char* const cleanReport = R"(This is ApacheBench, Version 2.3 <$Revision: 1903618 $>

Server Software:
Server Hostname:        127.0.0.1
Server Port:            40123

Document Path:          /styl.css
Document Length:        4312 bytes

Concurrency Level:      50
Time taken for tests:   0.412 seconds
Complete requests:      2000
Failed requests:        0
Total transferred:      9120000 bytes
Requests per second:    4854.37 [#/sec] (mean)
Time per request:       10.300 [ms] (mean)

Percentage of the requests served within a certain time (ms)
  50%      9
  66%     10
  75%     11
  80%     11
  90%     13
  95%     15
  98%     18
  99%     21
 100%     34 (longest request)
)";

const char* const failingReport = R"(Complete requests:      2000
Failed requests:        37
   (Connect: 0, Receive: 0, Length: 35, Exceptions: 2)
Non-2xx responses:      12
Requests per second:    61.05 [#/sec] (mean)
Percentage of the requests served within a certain time (ms)
  50%    790
  95%   1312
 100%   2950 (longest request)
)";

TEST(AbReport, FiguresAreReadFromTheirLines) {
    struct Case {
        const char* name;
        const char* report;
        std::optional<LoadFigures> expected;
    };
    for (const Case& c :
         {Case{"clean", cleanReport, LoadFigures{2000, 0, 0, 0, 4854.37, 15}},
          Case{"failures and redirects", failingReport, LoadFigures{2000, 37, 35, 12, 61.05, 1312}},
          Case{"stopped before the percentiles",
               "Complete requests:      120\nRequests per second:    3.00 [#/sec] (mean)\n",
               std::nullopt},
          Case{"not a report", "apr_socket_recv: Connection refused (111)\n", std::nullopt}}) {
        SCOPED_TRACE(c.name);
        const std::optional<LoadFigures> read = parseAbReport(QString::fromUtf8(c.report));
        ASSERT_EQ(read.has_value(), c.expected.has_value());
        if (!read)
            continue;
        EXPECT_EQ(read->complete, c.expected->complete);
        EXPECT_EQ(read->failed, c.expected->failed);
        EXPECT_EQ(read->lengthFailed, c.expected->lengthFailed);
        EXPECT_EQ(read->non2xx, c.expected->non2xx);
        EXPECT_DOUBLE_EQ(read->requestsPerSecond, c.expected->requestsPerSecond);
        EXPECT_DOUBLE_EQ(read->p95Ms, c.expected->p95Ms);
    }
}

TEST(Median, OfRunsInAnyOrder) {
    struct Case {
        std::vector<double> runs;
        double expected;
    };
    for (const Case& c : {Case{{}, 0}, Case{{7}, 7}, Case{{9, 1, 5}, 5}, Case{{4, 1, 3, 100}, 3.5},
                          Case{{2, 2, 8, 2, 9}, 2}})
        EXPECT_DOUBLE_EQ(median(c.runs), c.expected);
}

} // namespace
} // namespace ronvalo::bench
