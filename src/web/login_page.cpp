// "Logowanie" and "Wyloguj".
#include <QCryptographicHash>
#include <httplib.h>

#include "web/accounts.h"
#include "web/installation.h"
#include "web/login_check.h"
#include "web/visit.h"
#include "web/web_service.h"

namespace ronvalo::web {

namespace {

QString loginForm(const QString& message, const QString& login) {
    return htmlPage(
        PageFrame(), QStringLiteral("Logowanie"),
        QStringLiteral("<form method=\"post\" action=\"/logowanie\" class=\"login\">%1"
                       "<label>Login<input name=\"login\" value=\"%2\" autocomplete=\"username\" "
                       "maxlength=\"64\" required autofocus></label>"
                       "<label>Hasło<input name=\"haslo\" type=\"password\" "
                       "autocomplete=\"current-password\" required></label>"
                       "<button type=\"submit\">Zaloguj</button></form>")
            .arg(message.isEmpty() ? QString()
                                   : QStringLiteral("<p class=\"error\">%1</p>").arg(esc(message)),
                 esc(login)));
}

} // namespace

void WebService::loginPage(const httplib::Request& request, httplib::Response& response,
                           const QString& address, QString& login, QString& note) {
    if (request.method != "POST") {
        sendHtml(response, loginForm(QString(), QString()));
        return;
    }
    const QString typed = QString::fromStdString(request.get_param_value("login"));
    const QString password = QString::fromStdString(request.get_param_value("haslo"));
    const LoginAnswer answer = loginCheck_->logIn(typed, password, address);
    login = typed.left(maxLoginLength);
    switch (answer.outcome) {
    case LoginOutcome::Accepted: {
        const auto found = Accounts(installation_.reading()).findWithHash(answer.account->login);
        if (!found)
            break;
        const QString stamp = QString::fromLatin1(
            QCryptographicHash::hash(found->second.toUtf8(), QCryptographicHash::Sha256).toHex());
        const QString token = sessions_.begin(answer.account->login, stamp);
        response.set_header("Set-Cookie", sessionCookie(token, request).toStdString());
        redirect(response, QStringLiteral("/"));
        note = QStringLiteral("zalogowano");
        return;
    }
    case LoginOutcome::Wait:
        sendHtml(response, loginForm(answer.message, typed), 429);
        note = QStringLiteral("logowanie wstrzymane");
        return;
    case LoginOutcome::Refused:
        break;
    }
    sendHtml(response, loginForm(wrongLoginText, typed), 401);
    note = QStringLiteral("nieudane logowanie");
}

void WebService::logout(const httplib::Request& request, httplib::Response& response) {
    const QString token = sessionTokenOf(request.get_header_value("Cookie"));
    const std::optional<QString> login = sessions_.touch(token);
    const bool fromSession =
        login &&
        sessions_.formTokenMatches(token, QString::fromStdString(request.get_param_value("token")));
    if (fromSession)
        sessions_.end(token);
    response.set_header("Set-Cookie",
                        QStringLiteral("%1=; Path=/; Max-Age=0; HttpOnly; SameSite=Strict")
                            .arg(QLatin1String(sessionCookieName))
                            .toStdString());
    redirect(response, QStringLiteral("/logowanie"));
    log_.write(clientAddress(request), login.value_or(QString()),
               QString::fromStdString(request.method + ' ' + request.path), response.status,
               fromSession ? QStringLiteral("wylogowano") : QString());
}

} // namespace ronvalo::web
