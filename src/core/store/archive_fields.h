// How the archive writes fields for its digests and its change rows: each field's length before
// its bytes, so that field borders are unambiguous ("12" + "3" never reads as "1" + "23"), and in
// the current layout a tag before it, so that NULL differs from every text, the empty one too.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QCryptographicHash>
#include <QtEndian>
#include <optional>

namespace ronvalo::archive_fields {

inline void appendBytes(QCryptographicHash& hash, QByteArrayView bytes) {
    hash.addData(bytes);
}

inline void appendBytes(QByteArray& out, QByteArrayView bytes) {
    out.append(bytes);
}

// The length in bytes as four bytes, most significant first, then the bytes.
template <typename Sink> void addField(Sink& sink, QByteArrayView bytes) {
    const auto length = qToBigEndian(static_cast<quint32>(bytes.size()));
    appendBytes(sink, QByteArrayView(reinterpret_cast<const char*>(&length), sizeof length));
    appendBytes(sink, bytes);
}

// One byte 0 for NULL; otherwise one byte 1, then the field as addField() writes it.
template <typename Sink> void addTaggedField(Sink& sink, const std::optional<QByteArray>& field) {
    appendBytes(sink, QByteArrayView(field ? "\1" : "\0", 1));
    if (field)
        addField(sink, *field);
}

} // namespace ronvalo::archive_fields
