// The evidence of a period: the archive rows of the downloads transferred in it, for the
// instruments asked, with every field their digests cover and a header naming what the file
// covers, written as one text file that ronvalo-verify --dowod checks without the tables.
#pragma once

#include <QDate>
#include <QStringList>
#include <optional>

class QIODevice;

namespace ronvalo {

class TDM3;

// Writes the evidence of the downloads transferred (Odebrano) from `from` to `to`, both days
// included, of `instruments` (numbers whole, as the archive keeps them; nullopt for every
// instrument, an empty list for none) to `out`, a record at a time, so that a caller may stream
// it. The rows are those of the archive's chain up to its last row when the writing began; the
// header names that row and its digest. A period without a day (a date invalid, or `from` after
// `to`) raises EConvertError before anything is written. Returns the number of downloads written. A
// table that cannot be read (or an installation without its archive) raises EDatabaseError, a
// failed write EWriteError; what was written by then stays written, without its last line.
qint64 writeEvidence(TDM3& dm, QDate from, QDate to, const std::optional<QStringList>& instruments,
                     QIODevice& out);

} // namespace ronvalo
