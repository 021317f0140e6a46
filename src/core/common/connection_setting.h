// The database server setting ("Baza") checked before it reaches libpq: a connection string
// that may name a server and how to reach it safely, and nothing else.
#pragma once

#include <QString>

#include "core/common/exception.h"

namespace ronvalo {

// The setting cannot be used; the message names where it is kept and what is wrong with it.
class EServerSetting : public ERegistryException {
    using ERegistryException::ERegistryException;
};

// Checks a libpq connection string (keyword=value pairs, values quoted with ' where they hold
// blanks, \' and \\ inside quotes) and returns the one the program passes on: the same pairs,
// one blank apart, quoted where needed, with sslmode=verify-full added when it names none.
// Refused, naming `place` (where the setting is kept), with EServerSetting:
// - text that does not parse, the URI form (postgresql://...), a keyword given twice, a control
//   character, or ";" (the driver turns it into a blank, which would split a value);
// - a keyword other than host, port, dbname, user, sslmode, sslrootcert, connect_timeout,
//   application_name and the keepalives four (hostaddr, sslkey, sslcert, passfile, service,
//   options, ... would let whoever writes the setting redirect the password or load code);
// - over a network (a host that is not a socket folder "/..."; no host on Windows, which means
//   localhost), an sslmode other than verify-full or verify-ca; an unknown sslmode anywhere.
// Empty (or only blanks) is no server and stays empty.
QString checkedConnectionSetting(const QString& setting, const QString& place);

} // namespace ronvalo
