// The instruments each role sees, asked as one, as a list and as a download number; whatever
// lies outside a client's cut is answered as what does not exist.
#include "web/instrument_cut.h"

#include <QSqlQuery>
#include <gtest/gtest.h>

#include "core/store/data_module.h"
#include "core/store/rounds_tables.h"
#include "support/test_tables.h"

using namespace ronvalo;
using namespace ronvalo::test;
using namespace ronvalo::web;

namespace {

const Account administrator{"szef", Role::Administrator, {}};
const Account office{"biuro", Role::Office, {}};
// "555" was given to the client once; the installation does not know it.
const Account client{"klient", Role::Client, {"101", "103", "555"}};

std::optional<QString> none;

struct CutTest : ::testing::TestWithParam<Engine> {
    TestTables tables{GetParam()};
    TDM3 dm;
    qint32 of101 = 0, of102 = 0, empty = 0;

    void SetUp() override {
        ASSERT_TRUE(tables.ready());
        tables.point(dm);
        dm.openTables();
        // 101 and 102 have downloads; 103 only a description.
        of101 = downloadOf("101");
        of102 = downloadOf("102");
        empty = dm.appendDownload(QDateTime(QDate(2024, 3, 5), QTime(9, 0)));
        saveInstruments(dm, {{"103", "Brama"}});
    }
    qint32 downloadOf(const QString& instrument) {
        dm.insertReader(instrument);
        const qint32 download = dm.appendDownload(QDateTime(QDate(2024, 3, 5), QTime(8, 0)));
        Punch punch;
        punch.Data = QDate(2024, 3, 5);
        punch.Czas = QTime(7, 0);
        punch.Nrwewpkt = 1;
        punch.Nrczyt = instrument;
        punch.NrSczytania = download;
        dm.insertPunch(punch);
        return download;
    }
};

INSTANTIATE_TEST_SUITE_P(, CutTest, ::testing::Values(Engine::Files, Engine::Server), engineName);

TEST_P(CutTest, EachRoleSeesItsInstruments) {
    const QStringList every{"101", "102", "103"};
    const struct {
        const Account& account;
        QStringList visible;
    } roles[] = {{administrator, every}, {office, every}, {client, {"101", "103"}}};
    for (const auto& role : roles) {
        const InstrumentCut cut = InstrumentCut::of(role.account, dm);
        const std::string who = role.account.login.toStdString();
        EXPECT_EQ(cut.visible(), role.visible) << who;
        EXPECT_EQ(cut.seesAll(), role.account.role != Role::Client) << who;
        EXPECT_EQ(cut.filter({"103", "102", "999", "101"}),
                  role.account.role == Role::Client ? QStringList({"103", "101"})
                                                    : QStringList({"103", "102", "101"}))
            << who;
    }
}

TEST_P(CutTest, AnInstrumentOutsideIsAnsweredAsOneThatDoesNotExist) {
    const InstrumentCut cut = InstrumentCut::of(client, dm);
    const InstrumentCut all = InstrumentCut::of(office, dm);
    const struct {
        const char* asked;
        std::optional<QString> client;
        std::optional<QString> office;
    } cases[] = {
        {"101", "101", "101"}, {"103", "103", "103"}, {"102", none, "102"}, {"999", none, none},
        {"555", none, none},   {"", none, none},      {"10", none, none},   {"101 ", none, none},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cut.instrument(c.asked), c.client) << c.asked;
        EXPECT_EQ(all.instrument(c.asked), c.office) << c.asked;
    }
    const struct {
        QStringList asked;
        bool client; // seen whole; otherwise nullopt, never a shorter list
    } lists[] = {
        {{"101", "103"}, true},  {{"101"}, true},         {{}, true},
        {{"101", "102"}, false}, {{"999", "101"}, false}, {{"555"}, false},
    };
    for (const auto& list : lists) {
        const auto seen = cut.instruments(list.asked);
        EXPECT_EQ(seen.has_value(), list.client) << list.asked.join(',').toStdString();
        if (seen) {
            EXPECT_EQ(*seen, list.asked);
        }
    }
}

TEST_P(CutTest, ADownloadBelongsToTheInstrumentsOfItsPunches) {
    const InstrumentCut cut = InstrumentCut::of(client, dm);
    const InstrumentCut all = InstrumentCut::of(administrator, dm);
    const struct {
        const char* what;
        qint32 download;
        bool client;
        bool administrator;
    } cases[] = {
        {"the client's instrument's", of101, true, true},
        {"another instrument's", of102, false, true},
        {"one without punches", empty, false, true},
        {"one that does not exist", 9999, false, false},
        {"a negative number", -1, false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cut.seesDownload(dm, c.download), c.client) << c.what;
        EXPECT_EQ(all.seesDownload(dm, c.download), c.administrator) << c.what;
    }
    EXPECT_TRUE(cut.seesStoredInstrument("101"));
    EXPECT_FALSE(cut.seesStoredInstrument("102"));
}

TEST(Cut, AnArchivedDownloadNamesItsInstrumentWhole) {
    // Two instruments whose first 10 characters, all the punch table keeps, are the same.
    TestTables tables(Engine::Files);
    ASSERT_TRUE(tables.ready());
    TDM3 dm;
    tables.point(dm);
    dm.openTables();
    dm.insertReader("12345678901");
    dm.insertReader("12345678902");
    qint32 downloads[2];
    for (int i = 0; i < 2; ++i) {
        downloads[i] = dm.appendDownload(QDateTime(QDate(2024, 3, 5), QTime(8, i)));
        Punch punch;
        punch.Data = QDate(2024, 3, 5);
        punch.Czas = QTime(7, 0);
        punch.Nrwewpkt = 1;
        punch.Nrczyt = "1234567890";
        punch.NrSczytania = downloads[i];
        dm.insertPunch(punch);
        QSqlQuery archive(dm.roundsDatabase());
        ASSERT_TRUE(archive.exec(QString("INSERT INTO ob.Archiwum VALUES (%1, '1234567890%2', "
                                         "'2024-03-05 08:00:00', NULL, 'x', NULL, 'a%1')")
                                     .arg(downloads[i])
                                     .arg(i + 1)));
    }
    const InstrumentCut cut = InstrumentCut::of({"klient", Role::Client, {"12345678901"}}, dm);
    EXPECT_TRUE(cut.seesDownload(dm, downloads[0]));
    EXPECT_FALSE(cut.seesDownload(dm, downloads[1]));
}

} // namespace
