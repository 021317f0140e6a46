// ronvalo-web --konto end to end: exit codes, the password from standard input and never from an
// argument, one Polish line for each refusal.
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "core/store/data_module.h"
#include "support/pseudo_terminal.h"
#include "support/test_tables.h"
#include "web/accounts.h"
#include "web/password_hash.h"

using namespace ronvalo;
using namespace ronvalo::test;
using namespace ronvalo::web;

namespace {

struct ToolRun {
    int exitCode;
    QString out;
    QString err;
};

ToolRun webTool(const QStringList& arguments, const QByteArray& input) {
    QProcess tool;
    tool.start(QStringLiteral(RONVALO_BIN_DIR "/ronvalo-web"), arguments);
    tool.write(input);
    tool.closeWriteChannel();
    EXPECT_TRUE(tool.waitForFinished(60000));
    return {tool.exitCode(), QString::fromUtf8(tool.readAllStandardOutput()),
            QString::fromUtf8(tool.readAllStandardError())};
}

struct WebToolTest : ::testing::TestWithParam<Engine> {
    TestTables tables{GetParam()};
    ScopedEnv hive{"RONVALO_REGISTRY", tables.base().toUtf8() + "hive.reg"};
    QString folder = tables.base();

    void SetUp() override {
        ASSERT_TRUE(tables.ready());
        if (GetParam() == Engine::Server)
            setServerSetting(tables.server());
        TDM3 dm;
        tables.point(dm);
        dm.openTables();
        dm.insertReader("101");
        dm.insertReader("102");
    }
    QStringList konto(const QStringList& rest) const {
        return QStringList{"--folder", folder, "--konto"} + rest;
    }
    std::optional<std::pair<Account, QString>> stored(const QString& login) {
        TDM3 dm;
        tables.point(dm);
        dm.openTables();
        return Accounts(dm).findWithHash(login);
    }
};

INSTANTIATE_TEST_SUITE_P(, WebToolTest, ::testing::Values(Engine::Files, Engine::Server),
                         engineName);

TEST_P(WebToolTest, ManagesAccountsWithThePasswordFromStandardInputOnly) {
    const QStringList admin{"dodaj", "szef", "--rola", "administrator"};
    const struct {
        QStringList arguments;
        QByteArray input;
        int exitCode;
        const char* says; // part of the one line on stderr; empty: none
    } steps[] = {
        {konto(admin), "zielona-brama-7\n", 0, ""},
        {konto(admin), "zielona-brama-7\n", 1, "Konto szef już istnieje."},
        {konto({"dodaj", "jan", "--rola", "biuro", "--haslo", "zielona-brama-7"}), "", 1,
         "nieznany argument „--haslo”"},
        {konto({"dodaj", "jan", "--rola", "biuro", "zielona-brama-7"}), "zielona-brama-7\n", 1,
         "nieznany argument „zielona-brama-7”"},
        {konto({"dodaj", "jan", "--rola", "biuro"}), "", 1, "Nie podano hasła"},
        {konto({"dodaj", "jan", "--rola", "szef"}), "zielona-brama-7\n", 1, "--rola musi być"},
        {konto({"dodaj", "jan", "--rola", "klient"}), "zielona-brama-7\n", 1,
         "co najmniej jeden czytnik"},
        {konto({"dodaj", "Klient1", "--rola", "klient", "--czytniki", "101,102"}),
         "zielona-brama-7", 0, ""},
        {konto({"haslo", "klient1"}), "krotkie\n", 1, "co najmniej 10 znaków"},
        {konto({"haslo", "nikt"}), "nowe-haslo-99\n", 1, "Nie ma konta nikt."},
        {konto({"haslo", "klient1"}), "nowe-haslo-99\r\ndrugi wiersz\n", 0, ""},
        {konto({"usun", "szef"}), "", 1, "ostatniego konta administratora"},
        {konto({"usun", "szef", "--rola", "biuro"}), "", 1, "tylko z --konto dodaj"},
        {konto({"lista", "--folder", folder}), "", 1, "--folder podano dwa razy"},
        {konto({"haslo"}), "", 1, "brak loginu po --konto haslo"},
        {konto({"zmien", "x"}), "", 1, "nieznane polecenie --konto zmien"},
        {{"--konto", "lista"}, "", 1, "brak --folder FOLDER"},
        // Serving: settings refused before anything is opened.
        {{"--folder", folder, "--port", "0"}, "", 1, "--port musi być liczbą od 1 do 65535"},
        {{"--folder", folder, "--adres", "serwer.example"}, "", 1, "adres"},
        {{"--folder", folder, "--certyfikat", "c.pem"}, "", 1, "klucz"},
        {{"--folder", folder, "--haslo", "x"}, "", 1, "nieznany argument „--haslo”"},
        {{"--konfiguracja", folder + "brak.conf"}, "", 1, "Nie można odczytać pliku"},
        {{"--konfiguracja", folder + "brak.conf", "--port", "1"}, "", 1,
         "--konfiguracja podaje się bez innych opcji"},
    };
    for (const auto& step : steps) {
        const ToolRun run = webTool(step.arguments, step.input);
        const std::string what = step.arguments.join(' ').toStdString();
        EXPECT_EQ(run.exitCode, step.exitCode) << what << "\n" << run.err.toStdString();
        if (*step.says) {
            EXPECT_TRUE(run.err.startsWith("ronvalo-web: ")) << run.err.toStdString();
            EXPECT_TRUE(run.err.contains(QString::fromUtf8(step.says))) << run.err.toStdString();
            EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
            EXPECT_EQ(run.out, "") << what;
        } else {
            EXPECT_EQ(run.err, "") << what;
        }
    }
    // An installation it cannot read: no tables in the folder, or no server's.
    if (GetParam() == Engine::Files)
        folder += "brak";
    else
        setServerSetting(
            QString(tables.server()).replace(QRegularExpression("dbname=\\S+"), "dbname=brak"));
    const ToolRun unreadable = webTool(konto({"lista"}), "");
    EXPECT_EQ(unreadable.exitCode, 2) << unreadable.err.toStdString();
    EXPECT_TRUE(unreadable.err.startsWith("ronvalo-web: ")) << unreadable.err.toStdString();
    EXPECT_EQ(unreadable.err.count('\n'), 1) << unreadable.err.toStdString();
    folder = tables.base();
    if (GetParam() == Engine::Server)
        setServerSetting(tables.server());

    const ToolRun list = webTool(konto({"lista"}), "");
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_EQ(list.out, "klient1\tklient\t101,102\nszef\tadministrator\t\n");

    const auto client = stored("klient1");
    ASSERT_TRUE(client);
    EXPECT_TRUE(verifyPassword(client->second, "nowe-haslo-99"));
    EXPECT_TRUE(verifyPassword(stored("szef")->second, "zielona-brama-7"));

    EXPECT_EQ(webTool(konto({"usun", "klient1"}), "").exitCode, 0);
    EXPECT_FALSE(stored("klient1"));
}

TEST(WebTool, HelpNamesTheAccountCommandsAndTheService) {
    const ToolRun run = webTool({"--folder", "x", "--help"}, "");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.startsWith("Użycie: ronvalo-web --folder FOLDER --konto dodaj"));
    EXPECT_TRUE(run.out.contains("\nUżycie: ronvalo-web --folder FOLDER [--adres 127.0.0.1]"));
    EXPECT_TRUE(run.out.contains("--konfiguracja"));
    EXPECT_EQ(run.err, "");
}

} // namespace

namespace {

// Waits until the tool's stderr holds `text`; what it holds then.
QString waitForError(QProcess& tool, QString& seen, const QString& text) {
    for (int i = 0; i < 100 && !seen.contains(text); ++i) {
        tool.waitForReadyRead(100);
        seen += QString::fromUtf8(tool.readAllStandardError());
    }
    return seen;
}

TEST(WebTool, AtATerminalThePasswordIsTypedTwiceAndNeverShown) {
    TestTables tables(Engine::Files);
    ASSERT_TRUE(tables.ready());
    ScopedEnv hive{"RONVALO_REGISTRY", tables.base().toUtf8() + "hive.reg"};
    const struct {
        const char* login;
        QByteArray second;
        int exitCode;
        const char* says;
    } cases[] = {{"szef", "zielona-brama-7\n", 0, ""},
                 {"drugi", "zielona-brama-8\n", 1, "Podane hasła się różnią."}};
    for (const auto& c : cases) {
        PseudoTerminal terminal;
        QProcess tool;
        tool.setStandardInputFile(terminal.slavePath());
        tool.start(
            QStringLiteral(RONVALO_BIN_DIR "/ronvalo-web"),
            {"--folder", tables.base(), "--konto", "dodaj", c.login, "--rola", "administrator"});
        QString err;
        EXPECT_TRUE(waitForError(tool, err, "Hasło: ").endsWith("Hasło: ")) << err.toStdString();
        ASSERT_TRUE(terminal.send("zielona-brama-7\n"));
        EXPECT_TRUE(waitForError(tool, err, "Powtórz hasło: ").contains("Powtórz hasło: "))
            << err.toStdString();
        ASSERT_TRUE(terminal.send(c.second));
        ASSERT_TRUE(tool.waitForFinished(60000));
        err += QString::fromUtf8(tool.readAllStandardError());
        EXPECT_EQ(tool.exitCode(), c.exitCode) << err.toStdString();
        EXPECT_TRUE(err.contains(QString::fromUtf8(c.says))) << err.toStdString();
        // What the terminal showed: the line ends, never the characters typed.
        char shown[4096];
        const ssize_t size = ::read(terminal.master(), shown, sizeof shown);
        const QByteArray echoed(shown, size > 0 ? size : 0);
        EXPECT_FALSE(echoed.contains("zielona")) << echoed.toStdString();
    }
}

} // namespace
