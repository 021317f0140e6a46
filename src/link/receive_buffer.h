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
    // Default bound of the text: a line that never goes quiet must not eat the machine's memory.
    static constexpr qsizetype defaultCapacity = 32 * 1024 * 1024;

    explicit ReceiveBuffer(qsizetype capacity = defaultCapacity) : capacity_(capacity) {}

    // Appends bytes as they came, zero bytes included. Past the capacity the rest is dropped and
    // the buffer counts as overflowed until cleared.
    void append(const char* data, qsizetype size);
    void append(const QByteArray& bytes) { append(bytes.constData(), bytes.size()); }
    void clear();

    // Lines are the pieces between CR LF pairs; a final CR LF adds no empty line; "" has none.
    qsizetype count() const;
    QByteArray line(qsizetype index) const; // at most maxLineLength bytes
    QList<QByteArray> lines() const;
    void removeFirstLine();

    const QByteArray& text() const { return text_; }
    bool overflowed() const { return overflowed_; }

    // Each line followed by CR LF, as a text file. False when the file could not be written whole.
    bool saveToFile(const QString& path) const;
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

// Two buffers hold the same lines: equal counts and every line equal byte for byte.
bool sameLines(const ReceiveBuffer& a, const ReceiveBuffer& b);

} // namespace ronvalo
