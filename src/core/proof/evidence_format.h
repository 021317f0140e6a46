// The evidence file's text forms, shared by its writer and its reader: the first line, the field
// names, how a stored value and a row of the chain are written. docs/dowod.md describes the
// whole layout for whoever checks such a file with tools of their own.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

#include "core/link/receive_buffer.h"
#include "core/store/archive_chain.h"
#include "core/store/archive_period.h"

namespace ronvalo::evidence {

// The first line is the name and the layout's version: "RONVALO-DOWOD 1".
inline constexpr QByteArrayView fileName = "RONVALO-DOWOD";
inline constexpr int layoutVersion = 1;

// A transmission is at most what one receive buffer holds, so that the import could have
// archived it; its line in base64 is then at most this long, with its name.
inline constexpr qsizetype maxTransmissionBytes = ReceiveBuffer::defaultCapacity;
inline constexpr qsizetype maxLineBytes = (maxTransmissionBytes + 2) / 3 * 4 + 64;

// Names of the header's lines, in their order ("Czytnik" once per instrument chosen).
inline constexpr QByteArrayView installationKey = "Instalacja";
inline constexpr QByteArrayView fromKey = "Od";
inline constexpr QByteArrayView toKey = "Do";
inline constexpr QByteArrayView instrumentsKey = "Czytniki";
inline constexpr QByteArrayView instrumentKey = "Czytnik";
inline constexpr QByteArrayView madeKey = "Utworzono";
inline constexpr QByteArrayView lastRowKey = "OstatniWiersz";
inline constexpr QByteArrayView lastDigestKey = "OstatniSkrot";
// "Czytniki": every instrument, or those the "Czytnik" lines name.
inline constexpr QByteArrayView everyInstrument = "wszystkie";
inline constexpr QByteArrayView chosenInstruments = "wybrane";

// Names of a record's lines: its number in the file, the archive row's seven fields as the
// table names them, and the chain's row before it.
inline constexpr QByteArrayView recordKey = "Odczyt";
inline constexpr QByteArrayView fieldKeys[] = {"Nrodczytu", "NrCzytnika", "Odebrano",
                                               "ZegarCzytnika", "Tresc"};
inline constexpr QByteArrayView previousKey = "Poprzedni";
inline constexpr QByteArrayView digestKey = "Skrot";
inline constexpr QByteArrayView previousRowKey = "PoprzedniWiersz";
// The last line: the number of records.
inline constexpr QByteArrayView endKey = "Koniec";

// The prefix of a value written in base64.
inline constexpr QByteArrayView base64Prefix = "base64:";

// A stored value as a line holds it: "-" for NULL; the text itself when it is printable ASCII
// that neither begins nor ends with a space, is not "-" and does not begin with "base64:"; else
// "base64:" and its bytes in base64 (the empty text too).
QByteArray encodeValue(const StoredField& value);
// The value back; nullopt when the base64 does not decode.
std::optional<StoredField> decodeValue(QByteArrayView text);

// A row of the chain as a line names it: "odczyt 12", "zmiana 3", or "brak" for none.
QByteArray rowIdText(const std::optional<ChainRowId>& id);
// And back: false when the text is none of these.
bool readRowId(QByteArrayView text, std::optional<ChainRowId>& id);

// One line: "key: value" and its line break.
void addLine(QByteArray& text, QByteArrayView key, QByteArrayView value);
// A record's lines: its number in the file, the row's fields, the chain's row before it, and the
// empty line after them.
QByteArray recordText(qint64 number, const ChainRow& row,
                      const std::optional<ChainRowId>& previousRow);

// A number written in decimal digits, no sign, no leading zero; nullopt otherwise or past qint64.
std::optional<qint64> readNumber(QByteArrayView text);

} // namespace ronvalo::evidence
