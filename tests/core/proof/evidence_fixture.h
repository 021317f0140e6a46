// Evidence files of an installation whose downloads were imported as the program imports them,
// written to memory, and read back record by record.
#pragma once

#include <QBuffer>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

#include "core/proof/archive_fixture.h"
#include "core/proof/evidence_check.h"
#include "core/proof/evidence_reader.h"
#include "core/proof/evidence_writer.h"

namespace ronvalo::test {

// The four days of importFourDays().
inline const QDate firstDay(2004, 4, 26);
inline const QDate lastDay(2004, 4, 29);

inline QByteArray evidenceOf(TDM3& dm, QDate from = firstDay, QDate to = lastDay,
                             const std::optional<QStringList>& instruments = std::nullopt) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    const qint64 written = writeEvidence(dm, from, to, instruments, out);
    EXPECT_EQ(out.data().count("\nOdczyt: "), written);
    return out.data();
}

inline QByteArray evidenceOf(const ArchivedInstallation& installation) {
    TDM3 dm;
    installation.open(dm);
    return evidenceOf(dm);
}

// The check of the file's bytes; EEvidenceFormat passes through.
inline EvidenceCheck checkedEvidence(const QByteArray& file) {
    QBuffer in;
    in.setData(file);
    in.open(QIODevice::ReadOnly);
    return checkEvidence(in);
}

// The file's header and records, as read back.
struct ReadEvidence {
    EvidenceHeader header;
    std::vector<EvidenceRecord> records;
};

inline ReadEvidence readEvidence(const QByteArray& file) {
    QBuffer in;
    in.setData(file);
    in.open(QIODevice::ReadOnly);
    EvidenceReader reader(in);
    ReadEvidence read{reader.header(), {}};
    EvidenceRecord record;
    while (reader.next(record))
        read.records.push_back(record);
    return read;
}

} // namespace ronvalo::test
