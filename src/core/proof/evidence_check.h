// Checking an evidence file without the tables: every row's digest from its fields, the links
// between rows that follow each other in the chain, every archived transmission read again by
// the dump reader, and what the header and the closing line claim.
#pragma once

#include <QList>
#include <QString>

#include "core/proof/evidence_reader.h"

class QIODevice;

namespace ronvalo {

enum class EvidenceFindingKind {
    DigestMismatch,    // a row's digest does not match its fields: the row was changed
    ChainBroken,       // Poprzedni is not the digest of the chain's row before it
    OutOfOrder,        // the rows are not in the chain's order, or one stands twice
    RecordMissing,     // the records' numbers skip some: records removed
    Unreadable,        // an archived transmission no longer reads as a dump
    InstrumentDiffers, // the transmission is of another instrument than its row says
    OutsideCover,      // a row of another day or instrument than the header says it covers
    ClaimDiffers       // the header or the closing line claims what the rows do not hold
};

struct EvidenceFinding {
    EvidenceFindingKind kind;
    qint64 download = 0; // the download named; 0 for the file as a whole
    QString text;        // in Polish: "Odczyt nr 12: ..."
};

struct EvidenceCheck {
    EvidenceHeader header;
    QList<EvidenceFinding> findings; // by download, the file's own first
    qint64 downloads = 0;            // records read
    bool clean() const { return findings.isEmpty(); }
};

// Reads the whole file and checks it. A file that is not an evidence file this program reads
// (another layout or version, cut short, a line too long, bad base64) raises EEvidenceFormat.
EvidenceCheck checkEvidence(QIODevice& in);

// The line under the findings: a clean file with the number of downloads, the period and the
// archive's last digest when it was made, or how many findings.
QString evidenceCheckSummary(const EvidenceCheck& check);
// What the file says it covers besides: the installation, the instruments, when it was made.
QString evidenceCoverLine(const EvidenceHeader& header);

} // namespace ronvalo
