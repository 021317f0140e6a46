// "Konta": the administrator's list of accounts, with a new account, a new password and removal.
// Every change goes through the same rules as the command line's, on a writable module opened
// for it; a changed or removed account's sessions end.
#include "core/store/data_module.h"
#include "web/accounts.h"
#include "web/installation.h"
#include "web/pages.h"
#include "web/sessions.h"
#include "web/visit.h"

namespace ronvalo::web {

namespace {

QString roleOptions() {
    QString html;
    for (Role role : {Role::Client, Role::Office, Role::Administrator})
        html += QStringLiteral("<option value=\"%1\">%1</option>").arg(roleName(role));
    return html;
}

QString accountRow(const Account& account, const QString& formToken) {
    const QString login = esc(account.login);
    return QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>"
                          "<form method=\"post\" action=\"/konta/haslo\" class=\"inline\">%4"
                          "<input type=\"hidden\" name=\"login\" value=\"%1\">"
                          "<input type=\"password\" name=\"haslo\" placeholder=\"nowe hasło\" "
                          "autocomplete=\"new-password\" aria-label=\"Nowe hasło dla %1\" required>"
                          "<button type=\"submit\">Zmień hasło</button></form> "
                          "<form method=\"post\" action=\"/konta/usun\" class=\"inline\">%4"
                          "<input type=\"hidden\" name=\"login\" value=\"%1\">"
                          "<button type=\"submit\">Usuń</button></form></td></tr>")
        .arg(login, roleName(account.role), esc(account.instruments.join(QStringLiteral(", "))),
             tokenField(formToken));
}

void showAccounts(Visit& visit, const QString& message, bool failed) {
    QString body;
    if (!message.isEmpty())
        body += QStringLiteral("<p class=\"%1\">%2</p>")
                    .arg(failed ? QStringLiteral("error") : QStringLiteral("ok"), esc(message));
    body += QStringLiteral("<table><thead><tr><th>Login</th><th>Rola</th><th>Czytniki</th>"
                           "<th></th></tr></thead><tbody>");
    for (const Account& account : Accounts(visit.dm).list())
        body += accountRow(account, visit.formToken);
    body += QStringLiteral("</tbody></table>");
    body += QStringLiteral("<h2>Nowe konto</h2>"
                           "<form method=\"post\" action=\"/konta/dodaj\" class=\"choices\">%1"
                           "<label>Login<input name=\"login\" maxlength=\"64\" required></label>"
                           "<label>Rola<select name=\"rola\">%2</select></label>"
                           "<label>Czytniki (klient)<input name=\"czytniki\" "
                           "placeholder=\"np. 0123, 0456\"></label>"
                           "<label>Hasło<input type=\"password\" name=\"haslo\" "
                           "autocomplete=\"new-password\" required></label>"
                           "<button type=\"submit\">Dodaj</button></form>")
                .arg(tokenField(visit.formToken), roleOptions());
    sendPage(visit, QStringLiteral("/konta"), QStringLiteral("Konta"), body, failed ? 400 : 200);
}

QStringList instrumentList(const QString& text) {
    QStringList instruments;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (const QString instrument = part.trimmed(); !instrument.isEmpty())
            instruments << instrument;
    return instruments;
}

// Runs `change` on a writable module and shows the list with its outcome.
template <typename Change> void changeAccounts(Visit& visit, const QString& done, Change change) {
    const std::unique_ptr<TDM3> writable = visit.installation.writing();
    Accounts accounts(*writable);
    const QString problem = change(accounts);
    visit.logNote = problem.isEmpty() ? done : QStringLiteral("odmowa: ") + problem;
    showAccounts(visit, problem.isEmpty() ? done : problem, !problem.isEmpty());
}

} // namespace

void accountsPage(Visit& visit) {
    showAccounts(visit, QString(), false);
}

void addAccount(Visit& visit) {
    const QString login = normalizedLogin(visit.param("login"));
    const std::optional<Role> role = roleFromName(visit.param("rola"));
    if (!role) {
        showAccounts(visit, QStringLiteral("Nieznana rola."), true);
        return;
    }
    const QStringList instruments = instrumentList(visit.param("czytniki"));
    changeAccounts(visit, QStringLiteral("Dodano konto %1.").arg(login), [&](Accounts& accounts) {
        return accounts.add(login, *role, instruments, visit.param("haslo"));
    });
}

void changeAccountPassword(Visit& visit) {
    const QString login = normalizedLogin(visit.param("login"));
    changeAccounts(visit, QStringLiteral("Zmieniono hasło konta %1.").arg(login),
                   [&](Accounts& accounts) {
                       QString problem = accounts.changePassword(login, visit.param("haslo"));
                       if (problem.isEmpty())
                           visit.sessions.endAllOf(login);
                       return problem;
                   });
}

void removeAccount(Visit& visit) {
    const QString login = normalizedLogin(visit.param("login"));
    changeAccounts(visit, QStringLiteral("Usunięto konto %1.").arg(login), [&](Accounts& accounts) {
        QString problem = accounts.remove(login);
        if (problem.isEmpty())
            visit.sessions.endAllOf(login);
        return problem;
    });
}

} // namespace ronvalo::web
