// What an account of the web service is, and the rules its login, password and instruments
// follow wherever an account is made or changed.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace ronvalo::web {

// "administrator": everything, and the accounts; "biuro" (the head office): every instrument,
// read; "klient": only the instruments of its account.
enum class Role { Administrator, Office, Client };

QString roleName(Role role);
std::optional<Role> roleFromName(const QString& name);

struct Account {
    QString login;
    Role role = Role::Client;
    QStringList instruments; // a client's; empty for the other roles
};

// Logins are kept in lower case, so that "Jan" and "jan" are one account.
QString normalizedLogin(const QString& login);

constexpr int maxLoginLength = 64;
constexpr int minPasswordLength = 10;
constexpr int maxPasswordBytes = 1024;

// Each returns an empty text when the value is accepted, otherwise why not, in Polish.
// A login: 1 to 64 of the letters a-z, digits and ". _ - @", beginning with a letter or a digit.
QString loginProblem(const QString& login);
// A password: at least 10 characters, at most 1024 bytes in UTF-8, no control characters.
QString passwordProblem(const QString& password);
// An instrument number as an account names it: printable, without commas, at most 32 characters.
QString instrumentProblem(const QString& instrument);

} // namespace ronvalo::web
