// Receive buffer: text, line index and file round trip.
#include "core/link/receive_buffer.h"

#include <QFile>

namespace ronvalo {

void ReceiveBuffer::append(const char* data, qsizetype size) {
    if (size <= 0 || overflowed_)
        return;
    // Every byte costs one, and an LF that completes a CR LF pair costs its index entry too.
    qsizetype held = heldBytes();
    char previous = text_.isEmpty() ? '\0' : text_.back();
    qsizetype kept = 0;
    for (; kept < size; ++kept) {
        const char c = data[kept];
        const qsizetype cost = previous == '\r' && c == '\n' ? 1 + bytesPerLineBreak : 1;
        if (held + cost > capacity_) {
            overflowed_ = true;
            break;
        }
        held += cost;
        previous = c;
    }
    size = kept;
    if (size == 0)
        return;
    const qsizetype old = text_.size();
    text_.append(data, size);
    // A CR at the end of the old text may pair with an LF at the start of the new bytes.
    indexFrom(old > 0 ? old - 1 : 0);
}

void ReceiveBuffer::indexFrom(qsizetype position) {
    const char* bytes = text_.constData();
    const qsizetype end = text_.size() - 1;
    if (!breaks_.empty() && position < breaks_.back() + 2)
        position = breaks_.back() + 2;
    for (qsizetype i = position; i < end; ++i) {
        if (bytes[i] == '\r' && bytes[i + 1] == '\n') {
            breaks_.push_back(i);
            ++i;
        }
    }
}

void ReceiveBuffer::clear() {
    // Assigning empty values frees the storage; clear() alone would keep the vector's capacity.
    text_ = QByteArray();
    breaks_ = std::vector<qsizetype>();
    overflowed_ = false;
}

qsizetype ReceiveBuffer::count() const {
    const qsizetype complete = static_cast<qsizetype>(breaks_.size());
    return lineStart(complete) < text_.size() ? complete + 1 : complete;
}

QByteArray ReceiveBuffer::line(qsizetype index) const {
    if (index < 0 || index >= count())
        return {};
    const qsizetype start = lineStart(index);
    const qsizetype end = index < qsizetype(breaks_.size()) ? breaks_[index] : text_.size();
    return text_.mid(start, std::min(end - start, maxLineLength));
}

QList<QByteArray> ReceiveBuffer::lines() const {
    QList<QByteArray> result;
    const qsizetype n = count();
    result.reserve(n);
    for (qsizetype i = 0; i < n; ++i)
        result.append(line(i));
    return result;
}

void ReceiveBuffer::removeFirstLine() {
    if (count() == 0)
        return;
    const qsizetype cut = breaks_.empty() ? text_.size() : breaks_.front() + 2;
    text_.remove(0, cut);
    if (!breaks_.empty())
        breaks_.erase(breaks_.begin());
    for (qsizetype& offset : breaks_)
        offset -= cut;
}

QByteArray ReceiveBuffer::fileText() const {
    QByteArray text;
    text.reserve(text_.size() + 2);
    const qsizetype n = count();
    for (qsizetype i = 0; i < n; ++i) {
        text += line(i);
        text += "\r\n";
    }
    return text;
}

bool ReceiveBuffer::loadFromFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    clear();
    append(bytes);
    return true;
}

bool sameLines(const ReceiveBuffer& a, const ReceiveBuffer& b) {
    if (a.overflowed() || b.overflowed())
        return false;
    const qsizetype n = a.count();
    if (n != b.count())
        return false;
    for (qsizetype i = 0; i < n; ++i)
        if (a.line(i) != b.line(i))
            return false;
    return true;
}

} // namespace ronvalo
