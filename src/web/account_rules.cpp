// The rules of logins, passwords and instrument numbers of the web service's accounts.
#include "web/account_rules.h"

#include <QRegularExpression>

namespace ronvalo::web {

namespace {

struct RoleNameEntry {
    Role role;
    const char* name;
};

constexpr RoleNameEntry roleNames[] = {
    {Role::Administrator, "administrator"}, {Role::Office, "biuro"}, {Role::Client, "klient"}};

bool hasControlCharacter(const QString& text) {
    for (const QChar c : text)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            return true;
    return false;
}

} // namespace

QString roleName(Role role) {
    for (const RoleNameEntry& entry : roleNames)
        if (entry.role == role)
            return QString::fromLatin1(entry.name);
    return {};
}

std::optional<Role> roleFromName(const QString& name) {
    for (const RoleNameEntry& entry : roleNames)
        if (name == QLatin1String(entry.name))
            return entry.role;
    return std::nullopt;
}

QString normalizedLogin(const QString& login) {
    return login.toLower();
}

QString loginProblem(const QString& login) {
    static const QRegularExpression allowed(QStringLiteral("^[a-z0-9][a-z0-9._@-]*$"));
    if (login.isEmpty())
        return QStringLiteral("Login nie może być pusty.");
    if (login.size() > maxLoginLength)
        return QStringLiteral("Login może mieć najwyżej %1 znaki.").arg(maxLoginLength);
    if (!allowed.match(login).hasMatch())
        return QStringLiteral("Login może zawierać tylko litery a-z, cyfry i znaki . _ - @ "
                              "i zaczynać się literą lub cyfrą.");
    return {};
}

QString passwordProblem(const QString& password) {
    if (password.toUcs4().size() < minPasswordLength)
        return QStringLiteral("Hasło musi mieć co najmniej %1 znaków.").arg(minPasswordLength);
    if (password.toUtf8().size() > maxPasswordBytes)
        return QStringLiteral("Hasło jest za długie.");
    if (hasControlCharacter(password))
        return QStringLiteral("Hasło nie może zawierać znaków sterujących.");
    return {};
}

QString instrumentProblem(const QString& instrument) {
    if (instrument.isEmpty())
        return QStringLiteral("Numer czytnika nie może być pusty.");
    if (instrument.size() > 32 || instrument.contains(QLatin1Char(',')) ||
        hasControlCharacter(instrument) || instrument.trimmed() != instrument)
        return QStringLiteral("Niepoprawny numer czytnika.");
    return {};
}

} // namespace ronvalo::web
