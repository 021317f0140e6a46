// A receive buffer: one growing text of received bytes, read as lines between CR LF pairs.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <vector>

namespace ronvalo {

class ReceiveBuffer {
public:
    // A line is read back as at most this many characters.
    static constexpr qsizetype maxLineLength = 4096;
    // What one buffer may hold, its text and its line index together: 4 MiB. An instrument's
    // memory holds kilobytes (a punch line is about a dozen bytes), so a real dump uses a tiny
    // part of it; a line that never goes quiet reaches it after about 75 minutes at 9600 baud
    // and then stops growing. While growing, the text and the index may reserve up to as much
    // again, so a buffer never takes more than 8 MiB.
    static constexpr qsizetype defaultCapacity = 4 * 1024 * 1024;
    // What the index keeps for every CR LF pair, counted against the capacity.
    static constexpr qsizetype bytesPerLineBreak = sizeof(qsizetype);

    explicit ReceiveBuffer(qsizetype capacity = defaultCapacity) : capacity_(capacity) {}

    // Appends bytes as they came, zero bytes included. Past the capacity the rest is dropped and
    // the buffer counts as overflowed until cleared.
    void append(const char* data, qsizetype size);
    void append(const QByteArray& bytes) { append(bytes.constData(), bytes.size()); }
    // Empties the buffer and gives its memory back.
    void clear();

    // Lines are the pieces between CR LF pairs; a final CR LF adds no empty line; "" has none.
    qsizetype count() const;
    QByteArray line(qsizetype index) const; // at most maxLineLength bytes
    QList<QByteArray> lines() const;
    void removeFirstLine();

    const QByteArray& text() const { return text_; }
    bool overflowed() const { return overflowed_; }
    // The bytes counted against the capacity: the text and its line index.
    qsizetype heldBytes() const {
        return text_.size() + qsizetype(breaks_.size()) * bytesPerLineBreak;
    }

    // Each line followed by CR LF: the text file that loadFromFile() reads back.
    QByteArray fileText() const;
    // Replaces the text with the file's bytes. False when it could not be read.
    bool loadFromFile(const QString& path);

private:
    void indexFrom(qsizetype position);
    qsizetype lineStart(qsizetype index) const { return index == 0 ? 0 : breaks_[index - 1] + 2; }

    QByteArray text_;
    std::vector<qsizetype> breaks_; // offset of the CR of every CR LF pair
    qsizetype capacity_;
    bool overflowed_ = false;
};

// Two buffers hold the same lines: equal counts and every line equal byte for byte. A buffer
// that overflowed lost bytes, so it equals nothing.
bool sameLines(const ReceiveBuffer& a, const ReceiveBuffer& b);

} // namespace ronvalo
