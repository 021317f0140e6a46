// The evidence file's text forms.
#include "core/proof/evidence_format.h"

namespace ronvalo::evidence {

namespace {

constexpr QByteArrayView nullValue = "-";
constexpr QByteArrayView downloadWord = "odczyt ";
constexpr QByteArrayView changeWord = "zmiana ";
constexpr QByteArrayView noRow = "brak";

bool writtenAsIs(const QByteArray& text) {
    if (text.isEmpty() || text == nullValue || text.startsWith(base64Prefix) ||
        text.front() == ' ' || text.back() == ' ')
        return false;
    for (const char c : text)
        if (c < 0x20 || c > 0x7e)
            return false;
    return true;
}

} // namespace

QByteArray encodeValue(const StoredField& value) {
    if (!value)
        return nullValue.toByteArray();
    if (writtenAsIs(*value))
        return *value;
    return base64Prefix.toByteArray() + value->toBase64();
}

std::optional<StoredField> decodeValue(QByteArrayView text) {
    if (text == nullValue)
        return StoredField();
    if (!text.startsWith(base64Prefix))
        return StoredField(text.toByteArray());
    auto decoded = QByteArray::fromBase64Encoding(text.sliced(base64Prefix.size()).toByteArray(),
                                                  QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return StoredField(std::move(*decoded));
}

QByteArray rowIdText(const std::optional<ChainRowId>& id) {
    if (!id)
        return noRow.toByteArray();
    return (id->table == ChainTable::Downloads ? downloadWord : changeWord).toByteArray() +
           QByteArray::number(id->number);
}

bool readRowId(QByteArrayView text, std::optional<ChainRowId>& id) {
    if (text == noRow) {
        id.reset();
        return true;
    }
    const bool download = text.startsWith(downloadWord);
    if (!download && !text.startsWith(changeWord))
        return false;
    const auto number = readNumber(text.sliced((download ? downloadWord : changeWord).size()));
    if (!number)
        return false;
    id = ChainRowId{download ? ChainTable::Downloads : ChainTable::Changes, *number};
    return true;
}

void addLine(QByteArray& text, QByteArrayView key, QByteArrayView value) {
    text.append(key).append(": ").append(value).append('\n');
}

QByteArray recordText(qint64 number, const ChainRow& row,
                      const std::optional<ChainRowId>& previousRow) {
    QByteArray text;
    addLine(text, recordKey, QByteArray::number(number));
    for (int i = 0; i < 5; ++i)
        addLine(text, fieldKeys[i], encodeValue(row.fields.value(i)));
    addLine(text, previousKey, encodeValue(row.previous));
    addLine(text, digestKey, encodeValue(row.digest.toUtf8()));
    addLine(text, previousRowKey, rowIdText(previousRow));
    text.append('\n');
    return text;
}

std::optional<qint64> readNumber(QByteArrayView text) {
    if (text.isEmpty() || (text.size() > 1 && text.front() == '0'))
        return std::nullopt;
    for (const char c : text)
        if (c < '0' || c > '9')
            return std::nullopt;
    bool ok = false;
    const qint64 number = text.toLongLong(&ok);
    return ok ? std::optional(number) : std::nullopt;
}

} // namespace ronvalo::evidence
