// The service's routes, sessions and headers.
#include "web/web_service.h"

#include <QCryptographicHash>
#include <QHostAddress>
#include <QScopeGuard>
#include <httplib.h>
#include <thread>

#include "core/common/exception.h"
#include "core/rounds/exception_report.h"
#include "web/accounts.h"
#include "web/installation.h"
#include "web/instrument_cut.h"
#include "web/login_check.h"
#include "web/pages.h"
#include "web/visit.h"
#include "web/worker_pool.h"

namespace ronvalo::web {

QString clientAddress(const httplib::Request& request) {
    const QString peer = QString::fromStdString(request.remote_addr);
    if (!QHostAddress(peer).isLoopback() || !request.has_header("X-Forwarded-For"))
        return peer;
    const QString forwarded = QString::fromStdString(request.get_header_value("X-Forwarded-For"));
    const QString last = forwarded.section(QLatin1Char(','), -1).trimmed();
    return QHostAddress(last).isNull() ? peer : last;
}

QString sessionTokenOf(const std::string& cookieHeader) {
    const QString header = QString::fromStdString(cookieHeader);
    for (const QString& part : header.split(QLatin1Char(';'))) {
        const QString pair = part.trimmed();
        if (pair.startsWith(QLatin1String(sessionCookieName) + QLatin1Char('=')))
            return pair.mid(qsizetype(sizeof sessionCookieName));
    }
    return {};
}

namespace {

// What a session keeps of its account's password hash: a change anywhere ends the session.
QString stampOf(const QString& hash) {
    return QString::fromLatin1(
        QCryptographicHash::hash(hash.toUtf8(), QCryptographicHash::Sha256).toHex());
}

QString errorPage(const QString& title, const QString& message) {
    return htmlPage(PageFrame(), title,
                    QStringLiteral("<p class=\"error\">%1</p>"
                                   "<p><a href=\"/\">Przegląd</a></p>")
                        .arg(esc(message)));
}

} // namespace

WebService::WebService(const WebSettings& settings, Installation& installation,
                       ServiceLimits limits)
    : settings_(settings), installation_(installation), limits_(limits),
      tls_(!settings.certificate.isEmpty()),
      heavyPages_(std::max<std::ptrdiff_t>(2, std::thread::hardware_concurrency())) {
    if (tls_)
        server_ = std::make_unique<httplib::SSLServer>(
            settings.certificate.toLocal8Bit().constData(), settings.key.toLocal8Bit().constData());
    else
        server_ = std::make_unique<httplib::Server>();
    loginCheck_ = std::make_unique<LoginCheck>(throttle_, [this](const QString& login) {
        return Accounts(installation_.reading()).findWithHash(login);
    });

    httplib::Server& s = *server_;
    s.set_payload_max_length(limits_.maxBody);
    s.set_read_timeout(limits_.readTimeoutSeconds, 0);
    s.set_write_timeout(limits_.writeTimeoutSeconds, 0);
    s.set_keep_alive_timeout(limits_.keepAliveSeconds);
    s.set_keep_alive_max_count(limits_.keepAliveRequests);
    // The library deletes the queue it is handed when it stops listening.
    s.new_task_queue = [this] {
        return std::make_unique<WorkerPool>(limits_.threads,
                                            [this] { installation_.dropReading(); })
            .release();
    };
    s.set_error_handler(httplib::Server::HandlerWithResponse([this](const httplib::Request& request,
                                                                    httplib::Response& response) {
        if (!response.body.empty())
            return httplib::Server::HandlerResponse::Unhandled;
        addHeaders(request, response);
        const bool tooLarge =
            response.status == 413 || response.status == 414 || response.status == 431;
        sendHtml(response,
                 tooLarge
                     ? errorPage(QStringLiteral("Błąd"), QStringLiteral("Żądanie jest za duże."))
                 : response.status == 404
                     ? errorPage(QStringLiteral("Nie znaleziono"), notFoundText)
                     : errorPage(QStringLiteral("Błąd"), QStringLiteral("Nieprawidłowe żądanie.")),
                 response.status);
        log_.write(clientAddress(request), QString(),
                   QString::fromStdString(request.method + ' ' + request.path), response.status,
                   {});
        return httplib::Server::HandlerResponse::Handled;
    }));

    s.set_logger([this](const httplib::Request& request, const httplib::Response&) {
        if (guard_)
            guard_->answered(QString::fromStdString(request.remote_addr), request.remote_port);
    });
    s.Get("/styl\\.css", [this](const httplib::Request& request, httplib::Response& response) {
        answering(request);
        addHeaders(request, response);
        response.set_header("Cache-Control", "no-cache");
        response.set_content(styleSheet().toStdString(), "text/css; charset=utf-8");
    });
    const auto login = [this](const httplib::Request& request, httplib::Response& response) {
        answering(request);
        addHeaders(request, response);
        QString account;
        QString note;
        const QString address = clientAddress(request);
        loginPage(request, response, address, account, note);
        log_.write(address, account, QString::fromStdString(request.method + ' ' + request.path),
                   response.status, note);
    };
    s.Get("/logowanie", login);
    s.Post("/logowanie", login);
    s.Post("/wyloguj", [this](const httplib::Request& request, httplib::Response& response) {
        answering(request);
        addHeaders(request, response);
        logout(request, response);
    });

    const auto heavy = Weight::Heavy;
    const auto light = Weight::Light;
    route("GET", "/", {Access::Account, heavy, overviewPage});
    route("GET", "/raport", {Access::Account, heavy, reportPage});
    route("GET", "/raport\\.pdf", {Access::Account, heavy, reportPdf});
    route("GET", "/raport\\.csv", {Access::Account, heavy, reportCsv});
    route("GET", "/odbicia", {Access::Account, light, punchesPage});
    route("GET", "/archiwum", {Access::Account, heavy, archivePage});
    route("GET", "/archiwum/odczyt", {Access::Account, light, archivedTransmission});
    route("GET", "/archiwum/dowod", {Access::Account, heavy, evidenceFile});
    route("GET", "/konta", {Access::Administrator, light, accountsPage});
    route("POST", "/konta/dodaj", {Access::Administrator, light, addAccount});
    route("POST", "/konta/haslo", {Access::Administrator, light, changeAccountPassword});
    route("POST", "/konta/usun", {Access::Administrator, light, removeAccount});
}

WebService::~WebService() = default;

bool WebService::bind(QString* error) {
    if (!server_->is_valid()) {
        *error = QStringLiteral("nie można odczytać certyfikatu %1 lub klucza %2")
                     .arg(settings_.certificate, settings_.key);
        return false;
    }
    if (!server_->bind_to_port(settings_.address.toStdString(), settings_.port)) {
        *error = QStringLiteral("nie można nasłuchiwać na %1, port %2 (zajęty albo niedostępny)")
                     .arg(settings_.address)
                     .arg(settings_.port);
        return false;
    }
    guard_ = std::make_unique<ConnectionGuard>(settings_.port);
    return true;
}

void WebService::answering(const httplib::Request& request) {
    if (guard_)
        guard_->answering(QString::fromStdString(request.remote_addr), request.remote_port);
}

void WebService::run() {
    server_->listen_after_bind();
}

void WebService::stop() {
    server_->stop();
}

void WebService::route(const char* method, const char* pattern, Route route) {
    const auto handler = [this, route](const httplib::Request& request,
                                       httplib::Response& response) {
        serve(request, response, route);
    };
    if (std::string_view(method) == "POST")
        server_->Post(pattern, handler);
    else
        server_->Get(pattern, handler);
}

void WebService::addHeaders(const httplib::Request&, httplib::Response& response) const {
    response.set_header("Content-Security-Policy",
                        "default-src 'none'; style-src 'self'; img-src 'self'; "
                        "form-action 'self'; frame-ancestors 'none'; base-uri 'none'");
    response.set_header("X-Content-Type-Options", "nosniff");
    response.set_header("X-Frame-Options", "DENY");
    response.set_header("Referrer-Policy", "no-referrer");
    response.set_header("Cache-Control", "no-store");
    if (tls_)
        response.set_header("Strict-Transport-Security", "max-age=31536000");
}

QString WebService::sessionCookie(const QString& token, const httplib::Request& request) const {
    const bool proxiedHttps =
        QHostAddress(QString::fromStdString(request.remote_addr)).isLoopback() &&
        request.get_header_value("X-Forwarded-Proto") == "https";
    return QStringLiteral("%1=%2; Path=/; HttpOnly; SameSite=Strict%3")
        .arg(QLatin1String(sessionCookieName), token,
             tls_ || proxiedHttps ? QStringLiteral("; Secure") : QString());
}

void WebService::serve(const httplib::Request& request, httplib::Response& response,
                       const Route& route) {
    answering(request);
    addHeaders(request, response);
    const QString address = clientAddress(request);
    QString login;
    QString note;
    try {
        serveVisit(request, response, route, address, login, note);
    } catch (const EReportTooLarge& error) {
        sendHtml(response, errorPage(QStringLiteral("Raport wyjątków"), error.message()), 400);
    } catch (const EDatabaseError& error) {
        // The next request opens the tables anew: a server back after a break is used again.
        installation_.dropReading();
        note = error.message();
        sendHtml(response,
                 errorPage(QStringLiteral("Baza danych niedostępna"),
                           QStringLiteral("Nie można odczytać tabel instalacji. Spróbuj ponownie "
                                          "za chwilę.")),
                 503);
    } catch (const Exception& error) {
        note = error.message();
        sendHtml(response,
                 errorPage(QStringLiteral("Błąd"), QStringLiteral("Wystąpił błąd serwera.")), 500);
    } catch (const std::exception& error) {
        note = QString::fromLocal8Bit(error.what());
        sendHtml(response,
                 errorPage(QStringLiteral("Błąd"), QStringLiteral("Wystąpił błąd serwera.")), 500);
    }
    QString asked = QString::fromStdString(request.method + ' ' + request.path);
    if (request.method == "GET" && !request.params.empty()) {
        QStringList params;
        for (const auto& [name, value] : request.params)
            params << QString::fromStdString(name + '=' + value);
        asked += QLatin1Char('?') + params.join(QLatin1Char('&'));
    }
    log_.write(address, login, asked, response.status, note);
}

void WebService::serveVisit(const httplib::Request& request, httplib::Response& response,
                            const Route& route, const QString& address, QString& login,
                            QString& note) {
    const QString token = sessionTokenOf(request.get_header_value("Cookie"));
    const std::optional<Sessions::Owner> owner = sessions_.touchOwner(token);
    TDM3& dm = installation_.reading();
    std::optional<std::pair<Account, QString>> found;
    if (owner)
        found = Accounts(dm).findWithHash(owner->login);
    if (!found || stampOf(found->second) != owner->stamp) {
        // Never logged in, idle too long, logged out, or the account changed since.
        if (owner)
            sessions_.end(token);
        redirect(response, QStringLiteral("/logowanie"));
        return;
    }
    const Account& account = found->first;
    login = account.login;
    if (request.method == "POST" &&
        !sessions_.formTokenMatches(token,
                                    QString::fromStdString(request.get_param_value("token")))) {
        sendHtml(response,
                 errorPage(QStringLiteral("Formularz wygasł"),
                           QStringLiteral("Formularz wygasł albo nie pochodzi z tej sesji. "
                                          "Otwórz stronę ponownie.")),
                 403);
        return;
    }
    const InstrumentCut cut = InstrumentCut::of(account, dm);
    Visit visit{request,    response,   address,       account,
                cut,        dm,         installation_, sessions_,
                transfers_, overviews_, token,         sessions_.formToken(token)};
    if (route.access == Access::Administrator && account.role != Role::Administrator) {
        sendNotFound(visit);
    } else if (route.weight == Weight::Heavy) {
        heavyPages_.acquire();
        const auto release = qScopeGuard([this] { heavyPages_.release(); });
        route.page(visit);
    } else {
        route.page(visit);
    }
    note = visit.logNote;
}

} // namespace ronvalo::web
