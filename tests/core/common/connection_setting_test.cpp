// The server setting's check: what libpq would read, which keywords pass, and the TLS rule.
#include "core/common/connection_setting.h"

#include <gtest/gtest.h>

#include "support/qt_printers.h"

using namespace ronvalo;

namespace {

const QString place = QStringLiteral("/etc/ronvalo/baza");

// The refusal's text, or "accepted: STRING".
QString outcome(const QString& setting) {
    try {
        return QStringLiteral("accepted: ") + checkedConnectionSetting(setting, place);
    } catch (const EServerSetting& error) {
        return error.message();
    }
}

QString refusal(const QString& why) {
    return QStringLiteral("Ustawienie serwera bazy danych (/etc/ronvalo/baza): ") + why;
}

QString refusedKeyword(const QString& keyword) {
    return refusal(QStringLiteral("słowo kluczowe „%1” jest niedozwolone; dozwolone: host, port, "
                                  "dbname, user, sslmode, sslrootcert, connect_timeout, "
                                  "application_name, keepalives, keepalives_idle, "
                                  "keepalives_interval, keepalives_count")
                       .arg(keyword));
}

} // namespace

TEST(ConnectionSettingTest, AcceptedSettingsAsPassedOn) {
    const struct {
        const char* setting;
        const char* passedOn;
    } cases[] = {
        {"", ""},
        {" \t\r\n", ""},
        {"host=serwer.example dbname=ronvalo user=operator",
         "host=serwer.example dbname=ronvalo user=operator sslmode=verify-full"},
        // Every allowed keyword.
        {"host=s port=5433 dbname=d user=u sslmode=verify-ca sslrootcert=/etc/ssl/ca.crt "
         "connect_timeout=3 application_name=Ronvalo keepalives=1 keepalives_idle=30 "
         "keepalives_interval=10 keepalives_count=3",
         "host=s port=5433 dbname=d user=u sslmode=verify-ca sslrootcert=/etc/ssl/ca.crt "
         "connect_timeout=3 application_name=Ronvalo keepalives=1 keepalives_idle=30 "
         "keepalives_interval=10 keepalives_count=3"},
        // Blanks around "=", line breaks between pairs, as libpq reads them.
        {"host = s\n dbname\t=\td", "host=s dbname=d sslmode=verify-full"},
        // Quoting: blanks, \' and \\ inside quotes, \ outside them, an empty value.
        {"host=s application_name='Łódź 1' dbname='o\\'neil'",
         "host=s application_name='Łódź 1' dbname='o\\'neil' sslmode=verify-full"},
        {"host=s user='a\\\\b'", "host=s user='a\\\\b' sslmode=verify-full"},
        {"host=s user=a\\ b", "host=s user='a b' sslmode=verify-full"},
        {"host=s user=a\\xb", "host=s user=axb sslmode=verify-full"},
        {"host=s port=''", "host=s port='' sslmode=verify-full"},
        {"host='s'dbname=d", "host=s dbname=d sslmode=verify-full"},
        // A socket folder needs no TLS, whatever sslmode says.
        {"host=/var/run/postgresql dbname=d sslmode=disable",
         "host=/var/run/postgresql dbname=d sslmode=disable"},
        {"host=/run/a,/run/b sslmode=prefer", "host=/run/a,/run/b sslmode=prefer"},
        {"host=/tmp/x", "host=/tmp/x sslmode=verify-full"},
#ifndef Q_OS_WIN
        {"dbname=d sslmode=require", "dbname=d sslmode=require"}, // no host: the socket
#endif
    };
    for (const auto& c : cases)
        EXPECT_EQ(outcome(QString::fromUtf8(c.setting)),
                  QStringLiteral("accepted: ") + QString::fromUtf8(c.passedOn))
            << c.setting;
}

TEST(ConnectionSettingTest, RefusedSettingsNameWhy) {
    const struct {
        const char* setting;
        QString message;
    } cases[] = {
        // An OpenSSL engine loaded from a path of the writer's choice.
        {"host=s sslkey=/tmp/x:y sslcert=/tmp/c", refusedKeyword("sslkey")},
        // The password for the real name sent to another address in clear.
        {"host=real.example hostaddr=10.0.0.9 sslmode=disable", refusedKeyword("hostaddr")},
        {"passfile=/tmp/p host=s", refusedKeyword("passfile")},
        {"service=x", refusedKeyword("service")},
        {"host=s options='-c search_path=evil'", refusedKeyword("options")},
        {"host=s gssencmode=disable", refusedKeyword("gssencmode")},
        {"host=s requiressl=0", refusedKeyword("requiressl")},
        {"host=s sslcrl=/x", refusedKeyword("sslcrl")},
        {"host=s target_session_attrs=any", refusedKeyword("target_session_attrs")},
        {"host=s password=tajne", refusedKeyword("password")},
        {"Host=s", refusedKeyword("Host")}, // libpq's keywords are lower case
        {"host=s 'sslkey'=x", refusedKeyword("'sslkey'")},
        {"postgresql://s/ronvalo?sslmode=disable",
         refusal("postać adresu (postgresql://...) jest niedozwolona; podaj pary słowo=wartość, "
                 "np. host=serwer dbname=ronvalo user=operator")},
        {"postgres://s", refusal("postać adresu (postgresql://...) jest niedozwolona; podaj pary "
                                 "słowo=wartość, np. host=serwer dbname=ronvalo user=operator")},
        // What does not parse.
        {"host", refusal("po „host” brak znaku „=” i wartości")},
        {"host=s dbname", refusal("po „dbname” brak znaku „=” i wartości")},
        {"=s", refusal("brak słowa kluczowego przed znakiem „=”")},
        {"host='s", refusal("wartość „host” nie ma zamykającego apostrofu")},
        {"host='s\\'", refusal("wartość „host” nie ma zamykającego apostrofu")},
        // A second host behind the one shown, ";" that the driver turns into a blank.
        {"host=real host=other", refusal("słowo kluczowe „host” występuje więcej niż raz")},
        {"host=s application_name=a;sslmode=disable", refusal("znak „;” jest niedozwolony")},
        {"host=s application_name='a\tb'", refusal("wartość „application_name” zawiera znak "
                                                   "sterujący")},
        {"host=s\x01", refusal("znak sterujący jest niedozwolony")},
        {"host=s dbname='host=other'",
         refusal("wartość „dbname” ma być nazwą bazy, nie napisem połączenia")},
        // TLS over a network: verify-full or verify-ca only.
        {"host=s sslmode=disable",
         refusal("sslmode=disable jest niedozwolone przez sieć; dozwolone: verify-full (także "
                 "bez sslmode), verify-ca")},
        {"host=s sslmode=require",
         refusal("sslmode=require jest niedozwolone przez sieć; dozwolone: verify-full (także "
                 "bez sslmode), verify-ca")},
        {"host=/run/a,s sslmode=prefer",
         refusal("sslmode=prefer jest niedozwolone przez sieć; dozwolone: verify-full (także bez "
                 "sslmode), verify-ca")},
        {"host=/run/a sslmode=Verify-Full",
         refusal("nieznana wartość „Verify-Full” słowa kluczowego „sslmode”")},
#ifdef Q_OS_WIN
        {"dbname=d sslmode=require", // no host: localhost over TCP
         refusal("sslmode=require jest niedozwolone przez sieć; dozwolone: verify-full (także bez "
                 "sslmode), verify-ca")},
#endif
    };
    for (const auto& c : cases)
        EXPECT_EQ(outcome(QString::fromUtf8(c.setting)), c.message) << c.setting;
}
