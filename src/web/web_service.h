// The web service: one installation's tables served to browsers over HTTP on 127.0.0.1 or over
// TLS, every page behind a login, each connection answered on a thread of a fixed pool.
#pragma once

#include <QString>
#include <memory>
#include <semaphore>

#include "web/connection_guard.h"
#include "web/login_throttle.h"
#include "web/overview_cache.h"
#include "web/request_log.h"
#include "web/sessions.h"
#include "web/transfers_cache.h"
#include "web/web_config.h"

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace ronvalo::web {

class Installation;
class LoginCheck;
struct Visit;

// The limits every request is held to: a body of a form at most, a header line at most 8 KiB
// (the HTTP library's own limit), a read or write that stalls for a few seconds ends the
// connection.
struct ServiceLimits {
    std::size_t threads = 64;
    std::size_t maxBody = 64 * 1024;
    int readTimeoutSeconds = 5;
    int writeTimeoutSeconds = 30;
    int keepAliveSeconds = 5;
    std::size_t keepAliveRequests = 100;
};

class WebService {
public:
    WebService(const WebSettings& settings, Installation& installation,
               ServiceLimits limits = ServiceLimits());
    ~WebService();
    WebService(const WebService&) = delete;
    WebService& operator=(const WebService&) = delete;

    // Takes the address and port; false with `error` in Polish when it cannot (the port taken,
    // the certificate or key unreadable).
    bool bind(QString* error);
    // Serves until stop(); from any thread.
    void run();
    void stop();
    bool tls() const { return tls_; }
    RequestLog& log() { return log_; }

private:
    enum class Access { Anyone, Account, Administrator };
    // A page that reads and judges a period: only as many at a time as the processor has cores,
    // so that many at once share the processor without thrashing, and light pages still pass.
    enum class Weight { Light, Heavy };
    using Page = void (*)(Visit&);
    struct Route {
        Access access;
        Weight weight;
        Page page;
    };
    void route(const char* method, const char* pattern, Route route);
    void serve(const httplib::Request& request, httplib::Response& response, const Route& route);
    void serveVisit(const httplib::Request& request, httplib::Response& response,
                    const Route& route, const QString& address, QString& login, QString& note);
    void loginPage(const httplib::Request& request, httplib::Response& response,
                   const QString& address, QString& login, QString& note);
    void logout(const httplib::Request& request, httplib::Response& response);
    void addHeaders(const httplib::Request& request, httplib::Response& response) const;
    // The request has arrived whole: its connection is not cut while it is answered.
    void answering(const httplib::Request& request);
    // The cookie's Secure flag is set over TLS, and behind a reverse proxy on this computer that
    // says it took the request over HTTPS.
    QString sessionCookie(const QString& token, const httplib::Request& request) const;

    WebSettings settings_;
    Installation& installation_;
    ServiceLimits limits_;
    bool tls_ = false;
    std::unique_ptr<httplib::Server> server_;
    std::unique_ptr<ConnectionGuard> guard_;
    Sessions sessions_;
    TransfersCache transfers_;
    OverviewCache overviews_;
    LoginThrottle throttle_;
    std::unique_ptr<LoginCheck> loginCheck_;
    RequestLog log_;
    std::counting_semaphore<> heavyPages_;
};

// The client's address: the connection's, or behind a reverse proxy on this computer the one
// the proxy names last in X-Forwarded-For.
QString clientAddress(const httplib::Request& request);
// The session cookie's value in a Cookie header; empty when none.
QString sessionTokenOf(const std::string& cookieHeader);
inline constexpr char sessionCookieName[] = "ronvalo_sesja";

} // namespace ronvalo::web
