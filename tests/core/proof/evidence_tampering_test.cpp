// An evidence file of four real downloads changed after it was written, one change per row:
// each change found and named, a file that is no evidence file refused with why, and what a
// copy over another system's line ends leaves clean.
#include <QFile>
#include <functional>
#include <gtest/gtest.h>

#include "core/proof/evidence_fixture.h"
#include "core/proof/evidence_format.h"
#include "core/store/archive_chain.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

using Kind = EvidenceFindingKind;
using Change = std::function<QByteArray(QByteArray)>;

// The file with the first `from` replaced by `to`; a test failure when there is none.
QByteArray replaced(QByteArray file, const QByteArray& from, const QByteArray& to) {
    const qsizetype at = file.indexOf(from);
    EXPECT_GE(at, 0) << from.toStdString();
    return at < 0 ? file : file.replace(at, from.size(), to);
}

// Record `n` with the empty line after it.
QByteArray recordOf(const QByteArray& file, int n) {
    const qsizetype start = file.indexOf("\nOdczyt: " + QByteArray::number(n) + "\n") + 1;
    return file.mid(start, file.indexOf("\n\n", start) + 2 - start);
}

// The file written again with `change` made to record `n`'s row and, when `digestAnew`, its
// digest taken anew over what changed, as a forger who knows the layout would.
Change forged(int n, const std::function<void(ChainRow&)>& change, bool digestAnew = true) {
    return [=](const QByteArray& file) {
        const ReadEvidence read = readEvidence(file);
        QByteArray text = file.left(file.indexOf("\nOdczyt: 1\n") + 1);
        for (EvidenceRecord record : read.records) {
            if (record.number == n) {
                change(record.row);
                if (digestAnew)
                    record.row.digest = chainDigest(record.row);
            }
            text += evidence::recordText(record.number, record.row, record.previousRow);
        }
        return text + "Koniec: " + QByteArray::number(qint64(read.records.size())) + "\n";
    };
}

// Record 2's transmission with one punch's checkpoint changed, in its base64 line.
QByteArray changedTransmission(const QByteArray& file) {
    const QByteArray record = recordOf(file, 2);
    const qsizetype start = record.indexOf("Tresc: base64:") + 14;
    const QByteArray encoded = record.mid(start, record.indexOf('\n', start) - start);
    const QByteArray changed = QByteArray::fromBase64(encoded).replace("#2 08:20", "#7 08:20");
    return replaced(file, encoded, changed.toBase64());
}

struct EvidenceTamperingTest : ::testing::Test {
    ArchivedInstallation installation;
    QByteArray file;
    void SetUp() override {
        importFourDays(installation);
        file = evidenceOf(installation);
    }
};

TEST_F(EvidenceTamperingTest, EveryChangeIsFoundAndNamed) {
    const QByteArray second = recordOf(file, 2), third = recordOf(file, 3);
    const auto skrot = [&](int n) {
        const QByteArray record = recordOf(file, n);
        const qsizetype at = record.indexOf("Skrot: ") + 7;
        return record.mid(at, 64);
    };
    const struct {
        const char* change;
        Change made;
        QList<std::pair<Kind, qint64>> found;
    } cases[] = {
        {"none", [](QByteArray f) { return f; }, {}},
        {"a punch in a transmission", changedTransmission, {{Kind::DigestMismatch, 2}}},
        {"a transfer time",
         [](QByteArray f) {
             return replaced(f, "Odebrano: 2004-04-27 07:03:20", "Odebrano: 2004-04-27 07:03:21");
         },
         {{Kind::DigestMismatch, 2}}},
        {"an instrument's clock made unknown",
         [](QByteArray f) {
             return replaced(f, "ZegarCzytnika: 2004-04-27 07:00", "ZegarCzytnika: -");
         },
         {{Kind::DigestMismatch, 2}}},
        {"a record taken out",
         [&](QByteArray f) { return replaced(f, second, ""); },
         {{Kind::ClaimDiffers, 0}, {Kind::RecordMissing, 3}}},
        {"two records swapped",
         [&](QByteArray f) { return replaced(f, second + third, third + second); },
         {{Kind::OutOfOrder, 2}}},
        {"two rows swapped under their record numbers",
         [&](QByteArray f) {
             QByteArray renumbered = third;
             renumbered.replace("Odczyt: 3\n", "Odczyt: 2\n");
             QByteArray other = second;
             other.replace("Odczyt: 2\n", "Odczyt: 3\n");
             return replaced(f, second + third, renumbered + other);
         },
         {{Kind::OutOfOrder, 2}}},
        {"a record twice",
         [&](QByteArray f) { return replaced(f, second, second + second); },
         {{Kind::ClaimDiffers, 0}, {Kind::OutOfOrder, 2}}},
        {"a digest",
         [&](QByteArray f) { return replaced(f, skrot(2), QByteArray(64, 'a')); },
         {{Kind::DigestMismatch, 2}, {Kind::ChainBroken, 3}}},
        {"a previous digest",
         [&](QByteArray f) {
             return replaced(f, "Poprzedni: " + skrot(1), "Poprzedni: " + QByteArray(64, 'b'));
         },
         {{Kind::DigestMismatch, 2}, {Kind::ChainBroken, 2}}},
        {"a transmission with its digest taken anew",
         forged(2, [](ChainRow& row) { row.fields[4]->replace("#2 08:20", "#7 08:20"); }),
         {{Kind::ChainBroken, 3}}},
        {"the last transmission made unreadable, its digest taken anew",
         forged(4, [](ChainRow& row) { row.fields[4] = QByteArray("nic"); }),
         {{Kind::Unreadable, 4}, {Kind::ClaimDiffers, 4}}},
        {"the last row given another instrument, its digest taken anew",
         forged(4, [](ChainRow& row) { row.fields[1] = QByteArray("00099999"); }),
         {{Kind::InstrumentDiffers, 4}, {Kind::ClaimDiffers, 4}}},
        {"the first row's previous digest taken out, its digest taken anew",
         forged(1, [](ChainRow& row) { row.previous.reset(); }),
         {{Kind::ChainBroken, 1}, {Kind::ChainBroken, 2}}},
        {"the closing count",
         [](QByteArray f) { return replaced(f, "Koniec: 4", "Koniec: 5"); },
         {{Kind::ClaimDiffers, 0}}},
        {"the header's last digest",
         [&](QByteArray f) {
             return replaced(f, "OstatniSkrot: " + skrot(4), "OstatniSkrot: " + skrot(3));
         },
         {{Kind::ClaimDiffers, 4}}},
        {"a shorter period in the header",
         [](QByteArray f) { return replaced(f, "Do: 2004-04-29", "Do: 2004-04-28"); },
         {{Kind::OutsideCover, 4}}},
        {"fewer instruments in the header",
         [](QByteArray f) {
             return replaced(f, "Czytniki: wszystkie\n", "Czytniki: wybrane\nCzytnik: 00012345\n");
         },
         {{Kind::OutsideCover, 3}}},
        {"line ends of another system", [](QByteArray f) { return f.replace("\n", "\r\n"); }, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        const EvidenceCheck check = checkedEvidence(c.made(file));
        QList<std::pair<Kind, qint64>> found;
        QStringList texts;
        for (const EvidenceFinding& finding : check.findings) {
            found.append({finding.kind, finding.download});
            texts << finding.text;
        }
        EXPECT_EQ(found, c.found) << texts.join('\n').toStdString();
    }
}

// The texts a finding prints, one kind each.
TEST_F(EvidenceTamperingTest, FindingsNameTheDownloadAndWhatIsWrong) {
    const EvidenceCheck check =
        checkedEvidence(replaced(replaced(file, recordOf(file, 2), ""), "Koniec: 4", "Koniec: 3"));
    ASSERT_EQ(check.findings.size(), 1);
    EXPECT_EQ(check.findings[0].text, "Odczyt nr 3: przed nim w pliku brak rekordu nr 2");
    EXPECT_EQ(evidenceCheckSummary(check), "Niezgodności w dowodzie odczytów: 1");
    const EvidenceCheck changed = checkedEvidence(changedTransmission(file));
    EXPECT_EQ(changed.findings.value(0).text,
              "Odczyt nr 2: skrót wiersza archiwum nie zgadza się z jego treścią");
}

TEST_F(EvidenceTamperingTest, AFileThatIsNoEvidenceIsRefusedWithWhy) {
    QByteArray junk;
    for (int i = 0; i < 100000; ++i)
        junk += char((i * 7919) % 251);
    const QByteArray tresc = "Tresc: base64:";
    const qsizetype longLine = evidence::maxLineBytes + 10;
    const struct {
        const char* what;
        QByteArray bytes;
        const char* says;
    } cases[] = {
        {"an empty file", "", "to nie jest plik dowodu odczytów"},
        {"binary junk", junk, "to nie jest plik dowodu odczytów"},
        {"a table file", readFileBytes(installation.db() + "Obchody.db"),
         "to nie jest plik dowodu odczytów"},
        {"another version", replaced(file, "RONVALO-DOWOD 1\n", "RONVALO-DOWOD 2\n"),
         "nieznana wersja pliku dowodu odczytów (2)"},
        {"cut in a record", file.left(file.size() / 2), "się urywa"},
        {"cut before its closing line", file.left(file.indexOf("Koniec: ")), "się urywa"},
        {"without its last line break", file.chopped(1), "się urywa"},
        {"bad base64", replaced(file, tresc, tresc + "*"), "zły zapis base64"},
        {"a line longer than any transmission",
         replaced(file, tresc, tresc + QByteArray(longLine, 'A') + "\nX: "), "za długi"},
        {"a transmission longer than an instrument sends",
         replaced(file, recordOf(file, 4),
                  "Odczyt: 4\nNrodczytu: 4\nNrCzytnika: 1\nOdebrano: 2004-04-29 07:03:20\n"
                  "ZegarCzytnika: -\nTresc: base64:" +
                      QByteArray(evidence::maxTransmissionBytes + 1, '*').toBase64() + "\n"),
         "transmisja dłuższa niż 4194304 bajtów"},
        {"a record number past any",
         replaced(file, "Odczyt: 2\n", "Odczyt: 99999999999999999999\n"),
         "wiersz 20: pole Odczyt nie jest liczbą"},
        {"a download number past any", replaced(file, "Nrodczytu: 2\n", "Nrodczytu: 3000000000\n"),
         "pole Nrodczytu nie jest numerem odczytu"},
        {"a field left out", replaced(file, "ZegarCzytnika: 2004-04-27 07:00\n", ""),
         "oczekiwano pola ZegarCzytnika"},
        {"bytes after the closing line", file + "Odczyt: 5\n", "dane po ostatnim wierszu"},
        {"a period ending before it begins", replaced(file, "Do: 2004-04-29", "Do: 2004-04-25"),
         "kończy się przed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            checkedEvidence(c.bytes);
            ADD_FAILURE() << "read";
        } catch (const EEvidenceFormat& refused) {
            EXPECT_TRUE(refused.message().contains(QString::fromUtf8(c.says)))
                << refused.message().toStdString();
        }
    }
}

} // namespace

// Whatever byte of a row's stored text changes, the file is refused or a finding names it; cut
// anywhere, it is refused; any byte anywhere changed, it is read or refused, never more.
TEST_F(EvidenceTamperingTest, EveryByteOfARowsTextIsCoveredAndNoChangeBreaksTheReading) {
    QList<qsizetype> covered;
    for (const QByteArray key : {"\nNrodczytu: ", "\nNrCzytnika: ", "\nOdebrano: ",
                                 "\nZegarCzytnika: ", "\nPoprzedni: ", "\nSkrot: "})
        for (qsizetype at = file.indexOf(key); at >= 0; at = file.indexOf(key, at + 1))
            for (qsizetype i = at + key.size(); file[i] != '\n'; ++i)
                covered << i;
    ASSERT_GT(covered.size(), 4 * 150);
    const auto outcome = [](const QByteArray& bytes) {
        try {
            return checkedEvidence(bytes).clean() ? QString("clean") : QString("found");
        } catch (const EEvidenceFormat&) {
            return QString("refused");
        }
    };
    for (const qsizetype i : covered) {
        QByteArray changed = file;
        changed[i] = changed[i] == '7' ? '8' : '7';
        EXPECT_NE(outcome(changed), "clean") << "byte " << i;
    }
    for (qsizetype size = 0; size < file.size(); size += 7)
        EXPECT_EQ(outcome(file.left(size)), "refused") << "cut at " << size;
    quint32 state = 12345;
    for (int i = 0; i < 2000; ++i) {
        state = state * 1664525u + 1013904223u;
        QByteArray changed = file;
        changed[state % file.size()] = char(state >> 24);
        outcome(changed);
    }
}
