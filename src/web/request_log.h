// The service's log: one line a request on standard error (the journal under systemd), with the
// moment, the address, the account and what was asked, so that every login, failed login, report,
// PDF, CSV and file fetched can be traced to whoever fetched it.
#pragma once

#include <QString>
#include <mutex>

namespace ronvalo::web {

class RequestLog {
public:
    // "2026-12-09T10:15:00 192.0.2.7 jan GET /raport.pdf 200 PDF raportu ..." — `account` "-"
    // when none, `note` empty when the request says it all.
    void write(const QString& address, const QString& account, const QString& request, int status,
               const QString& note);
    // A line of the service itself (started, stopped, a failure without a request).
    void notice(const QString& text);

private:
    std::mutex mutex_;
};

} // namespace ronvalo::web
