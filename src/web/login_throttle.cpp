// Counting failed logins per login and per address in a sliding window.
#include "web/login_throttle.h"

#include <QMutexLocker>

#include "core/common/clock.h"
#include "web/account_rules.h"

namespace ronvalo::web {

namespace {

// A login as the throttle counts it: as the accounts keep it, cut to the longest login an
// account may have, so that an endless login is not an endless key.
QString loginKey(const QString& login) {
    return normalizedLogin(login.left(maxLoginLength + 1));
}

// The number of keys past which a failure sweeps out those that have expired.
constexpr qsizetype sweepAbove = 4096;

} // namespace

qsizetype LoginThrottle::recentFailures(Failures& failures, const QString& key, qint64 now) {
    const auto it = failures.find(key);
    if (it == failures.end())
        return 0;
    // A moment in the future (the clock put back) counts as recent.
    it->removeIf([now](qint64 at) { return now - at >= windowMs; });
    const qsizetype count = it->size();
    if (count == 0)
        failures.erase(it);
    return count;
}

void LoginThrottle::forgetExpired(Failures& failures, qint64 now) {
    for (auto it = failures.begin(); it != failures.end();) {
        it->removeIf([now](qint64 at) { return now - at >= windowMs; });
        it = it->isEmpty() ? failures.erase(it) : std::next(it);
    }
}

bool LoginThrottle::allows(const QString& login, const QString& address) {
    const qint64 now = Clock::now().toMSecsSinceEpoch();
    QMutexLocker lock(&mutex_);
    return recentFailures(byLogin_, loginKey(login), now) < maxFailures &&
           recentFailures(byAddress_, address, now) < maxFailures;
}

void LoginThrottle::recordFailure(const QString& login, const QString& address) {
    const qint64 now = Clock::now().toMSecsSinceEpoch();
    QMutexLocker lock(&mutex_);
    for (Failures* failures : {&byLogin_, &byAddress_})
        if (failures->size() > sweepAbove)
            forgetExpired(*failures, now);
    byLogin_[loginKey(login)].append(now);
    byAddress_[address].append(now);
}

void LoginThrottle::recordSuccess(const QString& login) {
    QMutexLocker lock(&mutex_);
    byLogin_.remove(loginKey(login));
}

} // namespace ronvalo::web
