// Reading an evidence file back, a record at a time, without the tables. Whatever the file holds,
// the reading takes memory in proportion to one line, at most a transmission's size in base64:
// a file that breaks the layout is refused at its first wrong line.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

#include "core/common/exception.h"
#include "core/store/archive_chain.h"
#include "core/store/archive_period.h"

class QIODevice;

namespace ronvalo {

// The file is not an evidence file of a layout this program reads; the text says why, naming
// the line (1-based) where there is one.
class EEvidenceFormat : public Exception {
    using Exception::Exception;
};

// What the header says the file covers.
struct EvidenceHeader {
    QString installation;
    QDate from;
    QDate to;
    std::optional<QStringList> instruments; // nullopt: every instrument
    QString made;                           // "2004-04-26 07:03:20", as written
    std::optional<ChainRowId> lastRow;      // the chain's last row then; nullopt: no row
    QString lastDigest;                     // its digest; empty without one
};

// One download as the file holds it.
struct EvidenceRecord {
    qint64 number = 0; // "Odczyt": its number in the file, 1, 2, ...
    ChainRow row;      // a download row, its fields as stored
    std::optional<ChainRowId> previousRow;
    qint64 line = 0; // the record's first line
};

class EvidenceReader {
public:
    // Reads the header; raises EEvidenceFormat when the file is none, of another version, or
    // broken before its first record.
    explicit EvidenceReader(QIODevice& in);
    const EvidenceHeader& header() const { return header_; }
    // The next record; false at the closing line, which must end the file. Raises
    // EEvidenceFormat at a line that breaks the layout.
    bool next(EvidenceRecord& record);
    // The closing line's count, once next() returned false.
    qint64 closingCount() const { return closingCount_; }

private:
    QByteArray readLine();
    QByteArray valueOf(const QByteArray& line, QByteArrayView key) const;
    QByteArray readValue(QByteArrayView key) { return valueOf(readLine(), key); }
    StoredField storedValue(const QByteArray& text) const;
    QDate readDate(QByteArrayView key);
    void readHeader();
    void readRow(ChainRow& row);
    void readFirstLine();
    void expectEmptyLine();
    [[noreturn]] void fail(const QString& why) const;

    QIODevice& in_;
    QByteArray buffer_; // room for the longest line read so far
    qint64 line_ = 0;   // lines read
    EvidenceHeader header_;
    qint64 closingCount_ = 0;
    bool ended_ = false;
};

} // namespace ronvalo
