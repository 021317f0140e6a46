// The service's configuration file: what it takes, and every refusal naming its line.
#include "web/web_config.h"

#include <QFile>
#include <gtest/gtest.h>

#include "support/temp_folder.h"

using namespace ronvalo::web;

namespace {

TEST(WebConfig, TakesTheFiveKeysAndNamesTheLineOfAnyFault) {
    const struct {
        const char* text;
        const char* error; // empty: accepted
    } cases[] = {
        {"folder=/var/lib/ronvalo\n", ""},
        {"# usługa\n\n  folder = /var/lib/ronvalo  \r\nadres=0.0.0.0\nport=8443\n"
         "certyfikat=/etc/ronvalo/web.crt\nklucz=/etc/ronvalo/web.key\n",
         ""},
        {"folder=/a\nadres=::1\n", ""},
        {"\xEF\xBB\xBF"
         "folder=/a\n",
         ""},
        {"folder=/a\nhaslo=tajne\n", "wiersz 2: nieznany klucz „haslo”."},
        {"folder=/a\nFolder=/b\n", "wiersz 2: nieznany klucz „Folder”."},
        {"folder=/a\n\nfolder=/b\n", "wiersz 3: klucz „folder” podany drugi raz."},
        {"folder=/a\nport 8080\n", "wiersz 2: oczekiwano klucz=wartość."},
        {"folder=/a\nport=0\n", "wiersz 2: niepoprawny numer portu „0”."},
        {"folder=/a\nport=65536\n", "wiersz 2: niepoprawny numer portu „65536”."},
        {"folder=/a\nport=80x\n", "wiersz 2: niepoprawny numer portu „80x”."},
        {"folder=\n", "wiersz 1: pusta wartość klucza „folder”."},
        {"port=8080\n", "Nie podano folderu instalacji."},
        {"folder=/a\nadres=localhost\n", "Niepoprawny adres „localhost”"},
        {"folder=/a\ncertyfikat=/etc/c.crt\n", "Certyfikat i klucz podaje się razem."},
    };
    for (const auto& c : cases) {
        QString error;
        const auto settings = parseWebConfig(QString::fromUtf8(c.text), "web.conf", &error);
        if (*c.error) {
            EXPECT_FALSE(settings) << c.text;
            EXPECT_TRUE(error.startsWith("Błąd w pliku web.conf")) << error.toStdString();
            EXPECT_TRUE(error.contains(QString::fromUtf8(c.error))) << error.toStdString();
        } else {
            EXPECT_TRUE(settings) << c.text << error.toStdString();
        }
    }
}

TEST(WebConfig, AFileGivesEverySetting) {
    ronvalo::test::TempFolder folder;
    QFile file(folder.file("web.conf"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("folder=/var/lib/ronvalo\nadres=192.0.2.1\nport=8443\ncertyfikat=/etc/c.crt\n"
               "klucz=/etc/c.key\n");
    file.close();
    QString error;
    const auto settings = readWebConfig(file.fileName(), &error);
    ASSERT_TRUE(settings) << error.toStdString();
    EXPECT_EQ(settings->folder, "/var/lib/ronvalo");
    EXPECT_EQ(settings->address, "192.0.2.1");
    EXPECT_EQ(settings->port, 8443);
    EXPECT_EQ(settings->certificate, "/etc/c.crt");
    EXPECT_EQ(settings->key, "/etc/c.key");

    const auto defaults = parseWebConfig("folder=/a", "web.conf", &error);
    ASSERT_TRUE(defaults);
    EXPECT_EQ(defaults->address, "127.0.0.1");
    EXPECT_EQ(defaults->port, 8080);

    EXPECT_FALSE(readWebConfig(folder.file("brak.conf"), &error));
    EXPECT_TRUE(error.startsWith("Nie można odczytać pliku")) << error.toStdString();
}

} // namespace
