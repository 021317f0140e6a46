// ronvalo-web --konto ...: the arguments read, the installation opened, the account changed.
#include "web/account_command.h"

#include <QDir>
#include <QHash>
#include <QTextStream>

#include "core/common/base_folder.h"
#include "core/common/command_line.h"
#include "core/common/registry.h"
#include "core/store/data_module.h"
#include "web/accounts.h"

namespace ronvalo::web {

const char* const commandUsage =
    "Użycie: ronvalo-web --folder FOLDER --konto dodaj LOGIN --rola administrator|biuro|klient "
    "[--czytniki NR[,NR...]]\n"
    "       ronvalo-web --folder FOLDER --konto haslo LOGIN\n"
    "       ronvalo-web --folder FOLDER --konto usun LOGIN\n"
    "       ronvalo-web --folder FOLDER --konto lista\n"
    "Zarządza kontami przeglądarkowego dostępu do instalacji w FOLDER (albo do tabel na\n"
    "serwerze, który wskazuje ustawienie \"Baza\").\n"
    "Hasło (co najmniej 10 znaków) jest czytane jako jeden wiersz ze standardowego wejścia,\n"
    "nigdy z argumentów. Konto klienta widzi tylko czytniki podane w --czytniki.\n";

namespace {

using Action = AccountCommand::Action;

const QHash<QString, Action>& actions() {
    static const QHash<QString, Action> names{{QStringLiteral("dodaj"), Action::Add},
                                              {QStringLiteral("haslo"), Action::Password},
                                              {QStringLiteral("usun"), Action::Remove},
                                              {QStringLiteral("lista"), Action::List}};
    return names;
}

// The options that take a value, each given once.
struct Options {
    QHash<QString, QString> values;
    QString login;
};

std::variant<Options, QString> readOptions(const QStringList& arguments) {
    static const QStringList valued{QStringLiteral("--folder"), QStringLiteral("--konto"),
                                    QStringLiteral("--rola"), QStringLiteral("--czytniki")};
    Options options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!valued.contains(argument))
            return QStringLiteral("nieznany argument „%1”").arg(argument);
        if (options.values.contains(argument))
            return QStringLiteral("%1 podano dwa razy").arg(argument);
        if (i + 1 >= arguments.size())
            return QStringLiteral("brak wartości po %1").arg(argument);
        options.values.insert(argument, arguments[++i]);
        // The login follows the action, except in the list.
        if (argument == QStringLiteral("--konto") && options.values[argument] != "lista") {
            if (i + 1 >= arguments.size() || arguments[i + 1].startsWith(QLatin1Char('-')))
                return QStringLiteral("brak loginu po --konto %1").arg(options.values[argument]);
            options.login = arguments[++i];
        }
    }
    return options;
}

} // namespace

std::variant<AccountCommand, QString> parseAccountCommand(const QStringList& arguments) {
    auto read = readOptions(arguments);
    if (const QString* problem = std::get_if<QString>(&read))
        return *problem;
    const Options& options = std::get<Options>(read);
    AccountCommand command;
    command.folder = options.values.value(QStringLiteral("--folder"));
    if (command.folder.isEmpty())
        return QStringLiteral("brak --folder FOLDER");
    const QString action = options.values.value(QStringLiteral("--konto"));
    if (!actions().contains(action))
        return action.isEmpty() ? QStringLiteral("brak --konto dodaj|haslo|usun|lista")
                                : QStringLiteral("nieznane polecenie --konto %1").arg(action);
    command.action = actions().value(action);
    command.login = options.login;
    command.role = options.values.value(QStringLiteral("--rola"));
    const QString instruments = options.values.value(QStringLiteral("--czytniki"));
    if (!instruments.isEmpty())
        command.instruments = instruments.split(QLatin1Char(','));
    const bool adding = command.action == Action::Add;
    if (!adding && (options.values.contains(QStringLiteral("--rola")) ||
                    options.values.contains(QStringLiteral("--czytniki"))))
        return QStringLiteral("--rola i --czytniki podaje się tylko z --konto dodaj");
    if (adding && !roleFromName(command.role))
        return QStringLiteral("--rola musi być jedną z: administrator, biuro, klient");
    return command;
}

namespace {

// Does the command on open tables; the exit code.
int runOn(TDM3& dm, const AccountCommand& command, const PasswordSource& password, QTextStream& out,
          QTextStream& err) {
    Accounts accounts(dm);
    const auto refuse = [&](const QString& problem) {
        err << "ronvalo-web: " << terminalText(problem) << '\n';
        return exitBadArguments;
    };
    QString problem;
    switch (command.action) {
    case Action::List:
        for (const Account& account : accounts.list())
            out << terminalText(account.login) << '\t' << roleName(account.role) << '\t'
                << terminalText(account.instruments.join(QLatin1Char(','))) << '\n';
        return exitDone;
    case Action::Remove:
        problem = accounts.remove(command.login);
        break;
    case Action::Add: {
        const Role role = *roleFromName(command.role);
        if (problem = accounts.addProblem(command.login, role, command.instruments);
            !problem.isEmpty())
            break;
        const std::optional<QString> entered = password(&problem);
        if (entered)
            problem = accounts.add(command.login, role, command.instruments, *entered);
        break;
    }
    case Action::Password: {
        if (!accounts.findWithHash(command.login)) {
            problem = QStringLiteral("Nie ma konta %1.").arg(normalizedLogin(command.login));
            break;
        }
        const std::optional<QString> entered = password(&problem);
        if (entered)
            problem = accounts.changePassword(command.login, *entered);
        break;
    }
    }
    return problem.isEmpty() ? exitDone : refuse(problem);
}

} // namespace

int runAccountCommand(const AccountCommand& command, const PasswordSource& password,
                      QTextStream& out, QTextStream& err) {
    TDM3 dm;
    dm.setDatabaseFolder(
        databaseFolder(QDir::fromNativeSeparators(command.folder) + QLatin1Char('/')));
    dm.setServer(databaseServerSetting());
    dm.openTables();
    // An Obchody.db made anew beside tables that hold downloads: whoever runs this hears it as
    // the operator of the program would.
    if (const QString notice = dm.takeArchiveNotice(); !notice.isEmpty())
        err << "ronvalo-web: " << terminalText(notice) << '\n';
    return runOn(dm, command, password, out, err);
}

} // namespace ronvalo::web
