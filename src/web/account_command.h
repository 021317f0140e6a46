// The accounts part of ronvalo-web's command line: what the arguments ask for, and doing it on
// the installation's tables.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <variant>

class QTextStream;

namespace ronvalo::web {

extern const char* const commandUsage;

struct AccountCommand {
    enum class Action { Add, Password, Remove, List };
    QString folder;
    Action action = Action::List;
    QString login;
    QString role;            // dodaj only
    QStringList instruments; // dodaj only
};

// The command the arguments (program name first) ask for, or why they ask for nothing this tool
// does, in one Polish line. The service's own options are not taken yet.
std::variant<AccountCommand, QString> parseAccountCommand(const QStringList& arguments);

// The password of a new account or a new password: nullopt with `error` set when none was
// given (the input ended, the two entries at a terminal differ).
using PasswordSource = std::function<std::optional<QString>(QString* error)>;

// The exit codes of the tool.
constexpr int exitDone = 0;
constexpr int exitBadArguments = 1;
constexpr int exitUnreadable = 2;

// Opens the installation in `command.folder` (or the server its setting names) and does the
// command: the list on `out`, a refusal as one line on `err`. Raises what the tables raise when
// they cannot be read or written, for the caller to report with exit 2.
int runAccountCommand(const AccountCommand& command, const PasswordSource& password,
                      QTextStream& out, QTextStream& err);

} // namespace ronvalo::web
