// Sessions by the program's clock, and the form tokens tied to them.
#include "web/sessions.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

#include "core/common/clock.h"

using namespace ronvalo;
using namespace ronvalo::web;

namespace {

constexpr qint64 minute = 60 * 1000;

TEST(Sessions, EndAfterThirtyIdleMinutesAtLogoutAndNeverForAnUnknownToken) {
    FakeClock clock(QDateTime(QDate(2024, 3, 5), QTime(8, 0)));
    Sessions sessions;
    const QString token = sessions.begin("jan");
    EXPECT_TRUE(QRegularExpression("^[0-9a-f]{64}$").match(token).hasMatch())
        << token.toStdString();
    EXPECT_NE(sessions.begin("jan"), token);

    const struct {
        qint64 idleMinutes; // since the session was last used
        bool alive;
    } steps[] = {{0, true}, {29, true}, {29, true}, {30, false}, {1, false}};
    for (const auto& step : steps) {
        clock.advance(step.idleMinutes * minute);
        EXPECT_EQ(sessions.touch(token).has_value(), step.alive) << step.idleMinutes;
    }

    const QString other = sessions.begin("anna");
    EXPECT_EQ(sessions.touch(other), "anna");
    sessions.end(other);
    EXPECT_FALSE(sessions.touch(other));
    for (const QString& unknown : {QString(), QString("0"), QString(token).replace(0, 1, "x")})
        EXPECT_FALSE(sessions.touch(unknown)) << unknown.toStdString();
    sessions.end("nieznany"); // no error
}

TEST(Sessions, AChangedAccountEndsEverySessionOfItAlone) {
    FakeClock clock(QDateTime(QDate(2024, 3, 5), QTime(8, 0)));
    Sessions sessions;
    const QString first = sessions.begin("jan");
    const QString second = sessions.begin("jan");
    const QString other = sessions.begin("anna");
    sessions.endAllOf("jan");
    EXPECT_FALSE(sessions.touch(first));
    EXPECT_FALSE(sessions.touch(second));
    EXPECT_EQ(sessions.touch(other), "anna");
}

TEST(Sessions, AFormTokenFitsItsOwnSessionOnly) {
    Sessions sessions;
    const QString mine = sessions.begin("jan");
    const QString theirs = sessions.begin("anna");
    const QString form = sessions.formToken(mine);
    QString flipped = form;
    flipped[5] = flipped[5] == QLatin1Char('0') ? QLatin1Char('1') : QLatin1Char('0');
    Sessions restarted; // another run of the service: another key
    const struct {
        const char* what;
        QString session;
        QString form;
        bool accepted;
    } cases[] = {
        {"its own session", mine, form, true},
        {"another session", theirs, form, false},
        {"another session's token", mine, sessions.formToken(theirs), false},
        {"a digit changed", mine, flipped, false},
        {"cut short", mine, form.left(form.size() - 2), false},
        {"upper case", mine, form.toUpper(), form == form.toUpper()},
        {"with a character fromHex would skip", mine, form + "z", false},
        {"empty", mine, QString(), false},
        {"the session token itself", mine, mine, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sessions.formTokenMatches(c.session, c.form), c.accepted) << c.what;
    EXPECT_FALSE(restarted.formTokenMatches(mine, form));
}

} // namespace
