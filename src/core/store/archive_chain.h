// The archive's chain: the rows of Archiwum (one per download) and of ArchiwumZmian (its
// beginning, every change of plans or names) in one order, each row's Poprzedni the digest of
// the row before it. A row's place is its download number (Nrodczytu) or, for a change, the
// place of the chain's last row when it was appended (PoOdczycie); at one place the download's
// row comes first, then the changes by Lp.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>
#include <optional>
#include <vector>

namespace ronvalo {

class TDM3;
struct ArchiveRow;

// One field as stored: NULL, or its bytes (a text in UTF-8, a number in decimal digits, a blob
// as it is).
using StoredField = std::optional<QByteArray>;
StoredField storedField(const QVariant& value);

// ArchiwumZmian.Rodzaj.
inline const QString beginningKind = QStringLiteral("poczatek");
inline const QString plansKind = QStringLiteral("plany");
inline const QString namesKind = QStringLiteral("nazwy");

enum class ChainTable { Downloads, Changes };

// One row of either table, its fields as stored.
struct ChainRow {
    ChainTable table = ChainTable::Downloads;
    qint64 place = 0; // Nrodczytu, or PoOdczycie
    qint64 lp = 0;    // ArchiwumZmian.Lp; 0 for a download
    // Archiwum: Nrodczytu, NrCzytnika, Odebrano, ZegarCzytnika, Tresc.
    // ArchiwumZmian: Lp, Rodzaj, PoOdczycie, Zapisano, Tresc.
    QList<StoredField> fields;
    StoredField previous; // Poprzedni
    QString digest;       // Skrot

    bool isDownload() const { return table == ChainTable::Downloads; }
    QString kind() const; // Rodzaj; empty for a download
    QByteArray content() const { return fields.value(4).value_or(QByteArray()); }
    QString previousDigest() const { return QString::fromUtf8(previous.value_or(QByteArray())); }
};

// The digest of the current layout ("Ronvalo archiwum 2"), over the stored fields; the layout is
// written down where it is computed.
QString chainDigest(const ChainRow& row);
// Whether the row's Skrot is its digest: of the current layout, or for a download row of the
// first layout, when every stored field is what that layout would have written (so that a
// changed stored byte still shows).
bool chainDigestMatches(const ChainRow& row);
// The row as the import hands it over, in the stored form.
ChainRow downloadChainRow(const ArchiveRow& row);
// A download row read back into its values; a text that does not read gives an invalid time.
ArchiveRow archiveRowOf(const ChainRow& row);

// The chain's last row: its place and digest; an empty digest when the chain has no row.
struct ChainHead {
    qint64 place = 0;
    QString digest;
};
ChainHead chainHead(TDM3& dm);

// The chain's rows in order, read a few at a time (a server sends a result whole, and a row may
// hold megabytes). `withChanges` false: the Archiwum rows alone. A failed read raises
// EDatabaseError naming Obchody.db.
class ChainReader {
public:
    ChainReader(TDM3& dm, bool withChanges);
    bool next(ChainRow& row);

private:
    struct Source {
        ChainTable table;
        std::vector<ChainRow> page;
        std::size_t next = 0;
        bool last = false;
        std::optional<std::pair<qint64, qint64>> from; // the key of the last row read
    };
    bool peek(Source& source);
    void readPage(Source& source);

    TDM3& dm_;
    Source downloads_{ChainTable::Downloads, {}, 0, false, {}};
    Source changes_{ChainTable::Changes, {}, 0, false, {}};
};

// Appends a row of ArchiwumZmian inside the caller's transaction, after the chain's last row;
// its place is that row's, or `placeAtLeast` when higher. Returns the row's digest.
QString appendChangeRow(TDM3& dm, const QString& kind, const QByteArray& content,
                        qint64 placeAtLeast = 0);

// The whole of the plans (Plany and KrokiPlanu) or of the names (Punkty and CzytnikiOpis), in
// the layout written down where it is made: what a "plany" or "nazwy" row holds.
QByteArray archivedState(TDM3& dm, const QString& kind);
// Whether the tables of `kind` hold no row: the state before any was archived.
bool archivedStateIsEmpty(TDM3& dm, const QString& kind);
// Within the caller's transaction, before its first write: on a server, takes the lock the
// import takes to append its archive row, so that two sites never both append after the same
// row (SQLite lets one writer in at a time anyway). Kept to the transaction's end.
void lockChain(TDM3& dm);
// Appends the current state of `kind` as a change row: the caller saved it in its transaction,
// under lockChain().
void appendStateRow(TDM3& dm, const QString& kind);

} // namespace ronvalo
