// Logging in: five failures in fifteen minutes per login or per address, and an unknown login
// answered as a known one, in words and in time.
#include "web/login_check.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

#include "core/common/clock.h"
#include "web/login_throttle.h"
#include "web/password_hash.h"

using namespace ronvalo;
using namespace ronvalo::web;

namespace {

constexpr qint64 minute = 60 * 1000;
const QString right = QStringLiteral("zielona-brama-7");

struct LoginTest : ::testing::Test {
    FakeClock clock{QDateTime(QDate(2024, 3, 5), QTime(8, 0))};
    LoginThrottle throttle;
    QString hash = hashPassword(right);
    int lookups = 0;
    LoginCheck check{
        throttle, [this](const QString& login) {
            ++lookups;
            return login == "jan" ? std::optional(std::pair{Account{"jan", Role::Office, {}}, hash})
                                  : std::nullopt;
        }};

    LoginOutcome tryLogin(const QString& login, const QString& password,
                          const QString& address = "10.0.0.1") {
        return check.logIn(login, password, address).outcome;
    }
};

TEST_F(LoginTest, FiveFailuresForOneLoginMakeItWaitTheWindowOut) {
    const struct {
        qint64 afterMinutes;
        const char* login;
        const char* address;
        QString password;
        LoginOutcome outcome;
    } steps[] = {
        {0, "jan", "10.0.0.1", "zle-haslo-1", LoginOutcome::Refused},
        {1, "jan", "10.0.0.2", "zle-haslo-2", LoginOutcome::Refused},
        {1, "JAN", "10.0.0.3", "zle-haslo-3", LoginOutcome::Refused},
        {1, "jan", "10.0.0.4", "zle-haslo-4", LoginOutcome::Refused},
        {1, "jan", "10.0.0.5", "zle-haslo-5", LoginOutcome::Refused},
        // The right password waits too: nothing is checked while the login waits.
        {1, "jan", "10.0.0.6", right, LoginOutcome::Wait},
        {9, "jan", "10.0.0.6", right, LoginOutcome::Wait},
        // 15 minutes after the first two failures, three remain within the window.
        {2, "jan", "10.0.0.6", right, LoginOutcome::Accepted},
        // Success forgets the login's failures.
        {0, "jan", "10.0.0.7", "zle-haslo-6", LoginOutcome::Refused},
        {0, "jan", "10.0.0.7", right, LoginOutcome::Accepted},
    };
    for (const auto& step : steps) {
        clock.advance(step.afterMinutes * minute);
        EXPECT_EQ(tryLogin(step.login, step.password, step.address), step.outcome)
            << step.login << " " << step.password.toStdString() << " after " << step.afterMinutes;
    }
}

TEST_F(LoginTest, FiveFailuresFromOneAddressMakeItWaitWhateverTheLogin) {
    for (const char* login : {"anna", "piotr", "jan", "zofia", "adam"})
        EXPECT_EQ(tryLogin(login, "zle-haslo-1", "192.0.2.9"), LoginOutcome::Refused) << login;
    const int looked = lookups;
    EXPECT_EQ(tryLogin("jan", right, "192.0.2.9"), LoginOutcome::Wait);
    EXPECT_EQ(lookups, looked) << "a waiting try is not looked up";
    const LoginAnswer answer = check.logIn("jan", right, "192.0.2.9");
    EXPECT_EQ(answer.message, waitText);
    EXPECT_FALSE(answer.account);
    // Another address is not held up, and the address's success does not clear it.
    EXPECT_EQ(tryLogin("jan", right, "192.0.2.10"), LoginOutcome::Accepted);
    EXPECT_EQ(tryLogin("jan", right, "192.0.2.9"), LoginOutcome::Wait);
    clock.advance(15 * minute);
    EXPECT_EQ(tryLogin("jan", right, "192.0.2.9"), LoginOutcome::Accepted);
}

TEST_F(LoginTest, AnUnknownLoginIsAnsweredAsAKnownOneInWordsAndTime) {
    const LoginAnswer accepted = check.logIn("Jan", right, "10.0.0.1");
    ASSERT_EQ(accepted.outcome, LoginOutcome::Accepted);
    EXPECT_EQ(accepted.account->login, "jan");

    QElapsedTimer timer;
    const struct {
        const char* login;
        QString password;
    } tries[] = {{"jan", "zle-haslo-1"},
                 {"nikt", "zle-haslo-1"},
                 {"nie ma takiego", right},
                 {"jan", QString(2000, 'x')}};
    qint64 shortest = std::numeric_limits<qint64>::max();
    qint64 longest = 0;
    for (const auto& attempt : tries) {
        timer.start();
        const LoginAnswer answer = check.logIn(attempt.login, attempt.password, attempt.login);
        const qint64 elapsed = timer.elapsed();
        shortest = std::min(shortest, elapsed);
        longest = std::max(longest, elapsed);
        EXPECT_EQ(answer.outcome, LoginOutcome::Refused) << attempt.login;
        EXPECT_EQ(answer.message, wrongLoginText) << attempt.login;
        EXPECT_FALSE(answer.account);
    }
    // Every answer hashes once: none is a fraction of another (a lookup alone takes nothing).
    EXPECT_GT(shortest * 3, longest) << shortest << " ms against " << longest << " ms";

    // An unknown login waits after five failures as a known one does.
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(tryLogin("nikt", "zle-haslo-1", QString("10.1.0.%1").arg(i)),
                  LoginOutcome::Refused);
    EXPECT_EQ(tryLogin("nikt", "zle-haslo-1", "10.1.0.9"), LoginOutcome::Wait);
}

} // namespace
