// The one place that says which instruments an account sees: every one for an administrator and
// the head office, the account's own for a client. Whatever the service shows, fetches or
// accepts as a choice passes through here; an instrument or a download outside the cut is
// answered exactly as one that does not exist (nullopt, false), so that a client cannot tell
// another client's instruments from numbers nobody has.
#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

#include "web/account_rules.h"

namespace ronvalo {
class TDM3;
}

namespace ronvalo::web {

class InstrumentCut {
public:
    // The cut of `account` among the installation's instruments `known` (NrCzytnika whole).
    InstrumentCut(const Account& account, const QStringList& known);
    // The same with the instruments the installation's tables know (its reader table and the
    // described ones). Raises EDatabaseError when they cannot be read.
    static InstrumentCut of(const Account& account, TDM3& dm);

    bool seesAll() const { return all_; }
    // The instruments the account sees, by number.
    const QStringList& visible() const { return visible_; }

    // `asked` when the account sees it; nullopt when it does not or when it does not exist.
    std::optional<QString> instrument(const QString& asked) const;
    // `asked` when the account sees every one of them; nullopt when any one is outside or
    // unknown (a list is never quietly shortened into another question).
    std::optional<QStringList> instruments(const QStringList& asked) const;
    // Those of `list` the account sees, in their order: for lists the service makes itself.
    QStringList filter(const QStringList& list) const;
    // Whether the account sees the punches of `stored`, an instrument as the punch table keeps
    // it (its first 10 characters).
    bool seesStoredInstrument(const QString& stored) const;
    // Whether download `download` exists and belongs to instruments the account sees all of. A
    // download without punches belongs to no instrument: only the roles that see everything see
    // it. Raises EDatabaseError when the tables cannot be read.
    bool seesDownload(TDM3& dm, qint32 download) const;

private:
    bool all_ = false;
    QStringList visible_;
    QSet<QString> visibleSet_;
    QSet<QString> visibleStored_; // their first 10 characters
};

} // namespace ronvalo::web
