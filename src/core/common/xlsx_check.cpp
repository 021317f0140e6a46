// Reading a zip's central directory and inflating each part, with zlib.
#include "core/common/xlsx_check.h"

#include <QFile>
#include <cstring>
#include <zlib.h>

namespace ronvalo {

namespace {

constexpr quint32 endSignature = 0x06054b50;
constexpr quint32 entrySignature = 0x02014b50;
constexpr quint32 localSignature = 0x04034b50;
constexpr qsizetype endSize = 22;

quint32 le(const uchar* at, int bytes) {
    quint32 value = 0;
    for (int k = bytes - 1; k >= 0; --k)
        value = (value << 8) | at[k];
    return value;
}

// One part as the central directory records it.
struct Part {
    QByteArray name;
    quint32 method = 0;
    quint32 crc = 0;
    quint32 packedSize = 0;
    quint32 size = 0;
    quint32 localOffset = 0;
};

// The name of an XML text's root element: the first tag that is no declaration or comment.
QByteArray rootName(const QByteArray& start) {
    for (qsizetype at = start.indexOf('<'); at >= 0; at = start.indexOf('<', at + 1)) {
        const char next = at + 1 < start.size() ? start[at + 1] : '\0';
        if (next == '?' || next == '!')
            continue;
        qsizetype end = at + 1;
        while (end < start.size() && !std::strchr(" \t\r\n/>", start[end]))
            ++end;
        return start.mid(at + 1, end - at - 1);
    }
    return {};
}

// Inflates (or copies) a part, keeping its checksum, its size, its first bytes and its last.
class PartReader {
public:
    QString read(const Part& part, const uchar* data, qsizetype length) {
        if (part.method == 0)
            take(data, length);
        else if (part.method == Z_DEFLATED)
            inflateAll(data, length);
        else
            return QStringLiteral("nieznana kompresja");
        if (!failure_.isEmpty())
            return failure_;
        if (size_ != part.size || crc_ != part.crc)
            return QStringLiteral("zła suma kontrolna");
        if (part.name.endsWith(".xml") || part.name.endsWith(".rels")) {
            const QByteArray root = rootName(head_);
            if (root.isEmpty() || !tail_.trimmed().endsWith("</" + root + ">"))
                return QStringLiteral("urwany zapis");
        }
        return {};
    }

private:
    void take(const uchar* bytes, qsizetype count) {
        crc_ = crc32(crc_, bytes, uInt(count));
        size_ += quint64(count);
        if (head_.size() < 512)
            head_.append(reinterpret_cast<const char*>(bytes), std::min<qsizetype>(count, 512));
        tail_.append(reinterpret_cast<const char*>(bytes), count);
        if (tail_.size() > 512)
            tail_.remove(0, tail_.size() - 512);
    }

    void inflateAll(const uchar* data, qsizetype length) {
        z_stream stream{};
        if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
            failure_ = QStringLiteral("brak pamięci");
            return;
        }
        stream.next_in = const_cast<Bytef*>(data);
        stream.avail_in = uInt(length);
        uchar out[64 * 1024];
        int status = Z_OK;
        while (status == Z_OK) {
            stream.next_out = out;
            stream.avail_out = sizeof out;
            status = inflate(&stream, Z_NO_FLUSH);
            take(out, qsizetype(sizeof out - stream.avail_out));
            if (status == Z_OK && stream.avail_in == 0 && stream.avail_out != 0)
                status = Z_DATA_ERROR; // the data ended before the stream did
        }
        inflateEnd(&stream);
        if (status != Z_STREAM_END)
            failure_ = QStringLiteral("uszkodzone dane");
    }

    quint32 crc_ = crc32(0, nullptr, 0);
    quint64 size_ = 0;
    QByteArray head_;
    QByteArray tail_;
    QString failure_;
};

} // namespace

QString xlsxDamage(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    const qint64 total = file.size();
    const uchar* bytes = total >= endSize ? file.map(0, total) : nullptr;
    const QString broken = QStringLiteral("plik niekompletny");
    if (!bytes)
        return broken;
    const uchar* end = bytes + total - endSize;
    if (le(end, 4) != endSignature)
        return broken;
    const quint32 count = le(end + 10, 2);
    const quint64 directory = le(end + 16, 4);
    if (directory + le(end + 12, 4) != quint64(total - endSize))
        return broken;
    qint64 at = qint64(directory);
    for (quint32 k = 0; k < count; ++k) {
        if (at + 46 > total - endSize || le(bytes + at, 4) != entrySignature)
            return broken;
        const uchar* entry = bytes + at;
        Part part;
        part.method = le(entry + 10, 2);
        part.crc = le(entry + 16, 4);
        part.packedSize = le(entry + 20, 4);
        part.size = le(entry + 24, 4);
        part.localOffset = le(entry + 42, 4);
        const quint32 nameLength = le(entry + 28, 2);
        part.name = QByteArray(reinterpret_cast<const char*>(entry + 46), nameLength);
        at += 46 + nameLength + le(entry + 30, 2) + le(entry + 32, 2);
        const quint64 local = part.localOffset;
        if (local + 30 > directory || le(bytes + local, 4) != localSignature)
            return broken;
        const quint64 data = local + 30 + le(bytes + local + 26, 2) + le(bytes + local + 28, 2);
        if (data + part.packedSize > directory)
            return broken;
        if (const QString damage =
                PartReader().read(part, bytes + data, qsizetype(part.packedSize));
            !damage.isEmpty())
            return QStringLiteral("%1 (%2)").arg(damage, QString::fromUtf8(part.name));
    }
    return {};
}

} // namespace ronvalo
