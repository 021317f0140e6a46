// The service over HTTP: what a client may reach, the login's answers, the headers, the form
// tokens, and requests that are too large or too slow.
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QUrl>

#include "served_site.h"
#include "support/postgres_server.h"
#include "web/accounts.h"

using namespace ronvalo;
using namespace ronvalo::test;
using namespace ronvalo::web::test;

namespace {

QString encoded(const QString& text) {
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

using PagesTest = ServedSite;

// Every address naming another client's instrument, plan or download is answered exactly as one
// naming an instrument, plan or download nobody has; and the client's own pages hold nothing of
// the other's.
TEST_P(PagesTest, AClientSeesItsOwnInstrumentsOnly) {
    TestBrowser client(service->port());
    ASSERT_EQ(client.logIn(siteClient)->status, 303);
    const qint32 foreign = downloads[1].front();
    const struct {
        QString foreign;
        QString missing;
    } cases[] = {
        {"/raport?czytnik=0202", "/raport?czytnik=9999"},
        {"/raport.pdf?czytnik=0202", "/raport.pdf?czytnik=9999"},
        {"/raport.csv?czytnik=0202", "/raport.csv?czytnik=9999"},
        {"/raport?plan=" + encoded("Obchód 0202"), "/raport?plan=" + encoded("Obchód 9999")},
        {"/odbicia?czytnik=0202", "/odbicia?czytnik=9999"},
        {QStringLiteral("/odbicia?odczyt=%1").arg(foreign), "/odbicia?odczyt=99999"},
        {QStringLiteral("/archiwum/odczyt?nr=%1").arg(foreign), "/archiwum/odczyt?nr=99999"},
        {"/konta", "/nie-ma-takiej"},
    };
    for (const auto& [foreignPath, missingPath] : cases) {
        const auto a = client.get(foreignPath);
        const auto b = client.get(missingPath);
        ASSERT_TRUE(a && b) << foreignPath.toStdString();
        EXPECT_EQ(a->status, 404) << foreignPath.toStdString();
        EXPECT_EQ(a->status, b->status) << foreignPath.toStdString();
        // The bodies differ only in the menu's current item: none on either.
        if (foreignPath != "/konta") {
            EXPECT_EQ(a->body, b->body) << foreignPath.toStdString();
        }
    }
    for (const QString& own :
         {QStringLiteral("/"), QStringLiteral("/raport.csv"), QStringLiteral("/raport"),
          QStringLiteral("/odbicia"), QStringLiteral("/archiwum")}) {
        const auto page = client.get(own);
        ASSERT_TRUE(page);
        EXPECT_EQ(page->status, 200) << own.toStdString();
        EXPECT_EQ(page->body.find("0202"), std::string::npos) << own.toStdString();
        EXPECT_EQ(page->body.find("Magazyn"), std::string::npos) << own.toStdString();
    }
    EXPECT_NE(client.get("/")->body.find("Brama północna"), std::string::npos);
    EXPECT_EQ(
        client.get(QStringLiteral("/archiwum/odczyt?nr=%1").arg(downloads[0].front()))->status,
        200);
    // The head office sees every instrument.
    TestBrowser office(service->port());
    ASSERT_EQ(office.logIn(siteOffice)->status, 303);
    const std::string overview = office.get("/")->body;
    for (const QString& instrument : siteInstruments)
        EXPECT_NE(overview.find(instrument.toStdString()), std::string::npos);
    EXPECT_NE(overview.find("Brak odczytu od 11 dni"), std::string::npos);
    EXPECT_NE(overview.find("Zegar czytnika różnił się o 12 min"), std::string::npos);
    EXPECT_EQ(office.get("/konta")->status, 404);
    // The client's report counts its own rounds alone: the office's report of that instrument.
    const QString period = QStringLiteral("od=%1&do=%2")
                               .arg(QDate::currentDate().addDays(-12).toString(Qt::ISODate),
                                    QDate::currentDate().toString(Qt::ISODate));
    EXPECT_EQ(client.get("/raport.csv?" + period)->body,
              office.get("/raport.csv?czytnik=0101&" + period)->body);
    const std::string report = client.get("/raport?" + period)->body;
    const std::string officeReport = office.get("/raport?czytnik=0101&" + period)->body;
    const auto summary = [](const std::string& page) {
        return page.substr(page.find("<p class=\"summary\">"));
    };
    EXPECT_EQ(summary(report), summary(officeReport));
}

INSTANTIATE_TEST_SUITE_P(Engines, PagesTest, ::testing::Values(Engine::Files, Engine::Server),
                         engineName);

using ServiceTest = ServedSite;

// A wrong password and an unknown login get the same answer; five failures make the sixth try
// wait, even with the right password.
TEST_P(ServiceTest, LoginAnswersAlikeAndThrottles) {
    TestBrowser browser(service->port());
    QElapsedTimer timer;
    timer.start();
    const auto wrong = browser.logIn({siteOffice.login, "niewłaściwe-hasło"});
    const qint64 wrongMs = timer.restart();
    const auto unknown = browser.logIn({"nikt", "niewłaściwe-hasło"});
    const qint64 unknownMs = timer.elapsed();
    ASSERT_TRUE(wrong && unknown);
    EXPECT_EQ(wrong->status, 401);
    EXPECT_EQ(unknown->status, 401);
    EXPECT_NE(wrong->body.find("Nieprawidłowy login lub hasło."), std::string::npos);
    // Only the echoed login differs.
    EXPECT_EQ(QString::fromStdString(wrong->body).remove(siteOffice.login),
              QString::fromStdString(unknown->body).remove("nikt"));
    // Both check a password hash: neither answers in a fraction of the other's time.
    EXPECT_LT(wrongMs, 4 * unknownMs + 50);
    EXPECT_LT(unknownMs, 4 * wrongMs + 50);
    for (int i = 0; i < 4; ++i)
        browser.logIn({siteOffice.login, "niewłaściwe-hasło"});
    const auto blocked = browser.logIn(siteOffice);
    ASSERT_TRUE(blocked);
    EXPECT_EQ(blocked->status, 429);
    EXPECT_TRUE(browser.cookie().isEmpty());
    EXPECT_TRUE(service->log().contains("biuro POST /logowanie 401 nieudane logowanie"));
}

// Headers on every page; the session cookie's flags; a form without its token changes nothing;
// logout ends the session.
TEST_P(ServiceTest, HeadersTokensAndLogout) {
    TestBrowser browser(service->port());
    const auto login = browser.logIn(siteAdministrator);
    ASSERT_TRUE(login);
    const std::string cookie = login->get_header_value("Set-Cookie");
    EXPECT_NE(cookie.find("HttpOnly"), std::string::npos);
    EXPECT_NE(cookie.find("SameSite=Strict"), std::string::npos);
    EXPECT_EQ(cookie.find("Secure"), std::string::npos); // plain HTTP on this computer
    // Behind a reverse proxy on this computer that took the request over HTTPS: Secure, and the
    // proxy's client is the address the log and the throttle see.
    httplib::Client proxied("127.0.0.1", service->port());
    const auto overHttps = proxied.Post(
        "/logowanie", {{"X-Forwarded-Proto", "https"}, {"X-Forwarded-For", "203.0.113.9"}},
        httplib::Params{{"login", siteOffice.login.toStdString()},
                        {"haslo", siteOffice.password.toStdString()}});
    ASSERT_TRUE(overHttps);
    EXPECT_NE(overHttps->get_header_value("Set-Cookie").find("; Secure"), std::string::npos);
    EXPECT_TRUE(service->log().contains("203.0.113.9 biuro POST /logowanie 303 zalogowano"));
    for (const QString& path : {QStringLiteral("/"), QStringLiteral("/raport.csv"),
                                QStringLiteral("/logowanie"), QStringLiteral("/nie-ma")}) {
        const auto page = browser.get(path);
        ASSERT_TRUE(page);
        EXPECT_EQ(page->get_header_value("X-Content-Type-Options"), "nosniff");
        EXPECT_EQ(page->get_header_value("X-Frame-Options"), "DENY");
        EXPECT_EQ(page->get_header_value("Cache-Control"), "no-store");
        const std::string policy = page->get_header_value("Content-Security-Policy");
        EXPECT_NE(policy.find("default-src 'none'"), std::string::npos);
        EXPECT_EQ(policy.find("unsafe-inline"), std::string::npos);
    }
    const httplib::Params account{
        {"login", "nowy"}, {"rola", "biuro"}, {"haslo", "haslo-nowego-1"}};
    EXPECT_EQ(browser.post("/konta/dodaj", account, QString("00"))->status, 403);
    EXPECT_EQ(browser.get("/konta")->body.find("nowy"), std::string::npos);
    EXPECT_EQ(browser.post("/konta/dodaj", account)->status, 200);
    EXPECT_NE(browser.get("/konta")->body.find("nowy"), std::string::npos);

    const QString session = browser.cookie();
    EXPECT_EQ(browser.post("/wyloguj", {})->status, 303);
    browser.setCookie(session);
    const auto after = browser.get("/");
    EXPECT_EQ(after->status, 303);
    EXPECT_EQ(after->get_header_value("Location"), "/logowanie");
}

// A body over the limit, a request that never ends its header and a garbage request are refused
// without holding up anyone else.
TEST_P(ServiceTest, RefusesLargeSlowAndMalformedRequests) {
    httplib::Client client("127.0.0.1", service->port());
    const auto large = client.Post("/logowanie", std::string(2 * 1024 * 1024, 'a'),
                                   "application/x-www-form-urlencoded");
    ASSERT_TRUE(large);
    EXPECT_EQ(large->status, 413);

    std::vector<std::unique_ptr<QTcpSocket>> slow;
    for (int i = 0; i < 40; ++i) {
        slow.push_back(std::make_unique<QTcpSocket>());
        slow.back()->connectToHost(QHostAddress::LocalHost, quint16(service->port()));
        ASSERT_TRUE(slow.back()->waitForConnected(5000));
        slow.back()->write("GET / HTTP/1.1\r\nHost: x\r\n");
        slow.back()->flush();
    }
    QTcpSocket garbage;
    garbage.connectToHost(QHostAddress::LocalHost, quint16(service->port()));
    ASSERT_TRUE(garbage.waitForConnected(5000));
    garbage.write(QByteArray(9000, '\x01') + "\r\n\r\n");
    garbage.waitForBytesWritten(5000);
    QElapsedTimer timer;
    timer.start();
    TestBrowser browser(service->port());
    const auto login = browser.logIn(siteOffice);
    ASSERT_TRUE(login);
    EXPECT_EQ(login->status, 303);
    EXPECT_EQ(browser.get("/raport")->status, 200);
    EXPECT_LT(timer.elapsed(), 20000);

    // Header lines without end are cut after about a megabyte; a header trickling in after
    // fifteen seconds: neither holds a thread or grows the service for ever.
    QTcpSocket flood;
    flood.connectToHost(QHostAddress::LocalHost, quint16(service->port()));
    ASSERT_TRUE(flood.waitForConnected(5000));
    flood.write("GET / HTTP/1.1\r\nHost: x\r\n");
    const QByteArray line = "X-A: " + QByteArray(4000, 'a') + "\r\n";
    qint64 flooded = 0;
    timer.restart();
    while (flood.state() == QAbstractSocket::ConnectedState && timer.elapsed() < 30000 &&
           flooded < (256 << 20)) {
        if (flood.bytesToWrite() < (1 << 20))
            flooded += flood.write(line);
        flood.waitForBytesWritten(50);
    }
    EXPECT_NE(flood.state(), QAbstractSocket::ConnectedState) << flooded;
    EXPECT_LT(flooded, 64 << 20);
    QTcpSocket& trickle = *slow.front();
    timer.restart();
    while (trickle.state() == QAbstractSocket::ConnectedState && timer.elapsed() < 30000) {
        trickle.write("X-B: b\r\n");
        trickle.waitForDisconnected(2000);
    }
    EXPECT_NE(trickle.state(), QAbstractSocket::ConnectedState);
    EXPECT_EQ(browser.get("/")->status, 200);
}

// A period whose "do" comes before its "od" is an empty report, as in the window; a session ends
// when its password is changed from the command line.
TEST_P(ServiceTest, ReversedPeriodAndPasswordChangedElsewhere) {
    TestBrowser browser(service->port());
    ASSERT_EQ(browser.logIn(siteOffice)->status, 303);
    const auto reversed = browser.get("/raport?od=2026-03-10&do=2026-03-01");
    ASSERT_TRUE(reversed);
    EXPECT_EQ(reversed->status, 200);
    EXPECT_EQ(reversed->body.find("<tbody><tr class"), std::string::npos);
    EXPECT_NE(reversed->body.find("class=\"notice\""), std::string::npos);
    EXPECT_EQ(browser.get("/raport?od=2026-13-01")->status, 400);
    {
        TDM3 dm;
        tables.point(dm);
        dm.openTables();
        ASSERT_EQ(web::Accounts(dm).changePassword(siteOffice.login, "zupelnie-nowe-haslo"), "");
    }
    EXPECT_EQ(browser.get("/")->status, 303);
}

INSTANTIATE_TEST_SUITE_P(Engines, ServiceTest, ::testing::Values(Engine::Files), engineName);

using ServerAwayTest = ServedSite;

// The server gone: a Polish page, the service still running; back: the pages again.
TEST_P(ServerAwayTest, AnswersAgainWhenTheServerIsBack) {
    TestBrowser browser(service->port());
    ASSERT_EQ(browser.logIn(siteOffice)->status, 303);
    ASSERT_TRUE(sharedPostgresServer().stop());
    const auto away = browser.get("/");
    const bool restarted = sharedPostgresServer().start();
    ASSERT_TRUE(restarted);
    ASSERT_TRUE(away);
    EXPECT_EQ(away->status, 503);
    EXPECT_NE(away->body.find("Baza danych niedostępna"), std::string::npos);
    const auto back = browser.get("/");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->status, 200);
    EXPECT_NE(back->body.find("Brama północna"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Engines, ServerAwayTest, ::testing::Values(Engine::Server), engineName);

} // namespace
