// The rounds' windows driven as an operator would: "OK" saves, "Anuluj" changes nothing, a
// faulty plan is refused naming its field, and the main window's menu opens them.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/main_window.h"
#include "common/clock.h"
#include "rounds/name_windows.h"
#include "rounds/plan_window.h"
#include "rounds/rounds_store.h"
#include "store/data_module.h"
#include "store/reading_query.h"
#include "support/temp_folder.h"
#include "support/test_dialogs.h"
#include "support/text_fit.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

struct RoundsWindowTest : ::testing::Test {
    TempFolder folder;
    FakeClock clock{QDateTime(QDate(2024, 3, 5), QTime(9, 0))};
    TestDialogs dialogs;
    TDM3 dm;

    void SetUp() override {
        QString error;
        ASSERT_TRUE(createEmptyDatabase(folder.path(), &error)) << error.toStdString();
        dm.setDatabaseFolder(folder.file("db/"));
        dm.openTables();
        Punch punch;
        punch.Data = QDate(2024, 3, 1);
        punch.Czas = QTime(10, 0);
        punch.Nrczyt = "A1";
        for (int checkpoint : {12, 171}) {
            punch.Nrwewpkt = checkpoint;
            dm.insertPunch(punch);
        }
        dm.insertReader("A1");
    }
    // Clicks `button` of `window` once its modal loop runs, after `edit`.
    static void clickWhenShown(QDialog& window, const char* button,
                               const std::function<void()>& edit) {
        QTimer::singleShot(0, &window, [&window, button, edit] {
            edit();
            window.findChild<QPushButton*>(button)->click();
            if (window.isVisible()) // refused: closed here so that the test goes on
                window.reject();
        });
    }
};

} // namespace

TEST_F(RoundsWindowTest, NamesSavedWithOkAndLeftWithAnuluj) {
    for (const char* button : {"btnAnuluj", "btnOK"}) {
        SCOPED_TRACE(button);
        CheckpointWindow points(dm);
        ASSERT_EQ(points.tblPunkty->rowCount(), 2);
        clickWhenShown(points, button, [&] {
            points.tblPunkty->item(0, 1)->setText("Brama główna");
            points.tblPunkty->item(1, 2)->setCheckState(Qt::Unchecked);
            points.edNrPunktu->setValue(40);
            points.window()->findChild<QPushButton*>("btnDodaj")->click();
        });
        points.exec();
        InstrumentWindow readers(dm);
        clickWhenShown(readers, button,
                       [&] { readers.tblCzytniki->item(0, 1)->setText("Wartownik Nowak"); });
        readers.exec();
    }
    // Anuluj left nothing; OK saved the name and the tick (40 says nothing, so is not kept).
    EXPECT_EQ(loadCheckpoints(dm),
              QList<Checkpoint>({{12, "Brama główna", false}, {171, "", false}}));
    EXPECT_EQ(loadInstruments(dm), QList<InstrumentName>({{"A1", "Wartownik Nowak"}}));
}

TEST_F(RoundsWindowTest, PlanSavedWithOkRefusedNamingTheFieldAndLeftWithAnuluj) {
    auto fill = [](PlanWindow& window) {
        window.NowyClick();
        window.edNazwa->setText("Noc");
        window.cbPunkt->setCurrentIndex(window.cbPunkt->findData(12));
        window.addStep();
        window.edTolerancja->setValue(5);
    };
    {
        PlanWindow window(dm);
        clickWhenShown(window, "btnAnuluj", [&] { fill(window); });
        window.exec();
    }
    EXPECT_TRUE(loadPlans(dm).isEmpty());
    {
        PlanWindow window(dm);
        clickWhenShown(window, "btnOK", [&] {
            fill(window);
            window.tblKroki->setCurrentCell(0, 0);
            window.removeStep();
        });
        window.exec();
        EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Notice),
                  QStringList({"Zapisanie planu niemożliwe! Plan nie zawiera żadnego punktu "
                               "(tabela „Punkty obchodu”)."}));
    }
    EXPECT_TRUE(loadPlans(dm).isEmpty());
    {
        PlanWindow window(dm);
        clickWhenShown(window, "btnOK", [&] { fill(window); });
        EXPECT_EQ(window.exec(), QDialog::Accepted);
    }
    const QList<Plan> stored = loadPlans(dm);
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0].name, "Noc");
    EXPECT_EQ(stored[0].instrument, "A1");
    EXPECT_EQ(stored[0].steps, QList<PlanStep>({{12, false}}));
    EXPECT_EQ(stored[0].tolerance, 5);
    EXPECT_EQ(stored[0].validFrom, QDate(2024, 3, 5));

    // The next day its steps change: the first period ends, a new one holds from that day.
    clock.set(QDateTime(QDate(2024, 3, 6), QTime(9, 0)));
    {
        PlanWindow window(dm);
        ASSERT_EQ(window.lstPlany->count(), 1);
        clickWhenShown(window, "btnOK", [&] {
            window.cbKolejnosc->setCurrentIndex(1); // "dowolna": its one step may be optional
            window.tblKroki->item(0, 3)->setCheckState(Qt::Checked);
        });
        window.exec();
    }
    const QList<Plan> periods = loadPlans(dm);
    ASSERT_EQ(periods.size(), 2);
    EXPECT_EQ(periods[0].validTo, QDate(2024, 3, 5));
    EXPECT_EQ(periods[1].validFrom, QDate(2024, 3, 6));
    EXPECT_EQ(periods[1].steps, QList<PlanStep>({{12, true}}));
    EXPECT_EQ(periods[1].order, StepOrder::Any);
}

// A plan changed behind the program's back is refused by every report, but the plan window still
// lists it, so that the operator can remove it (or correct it: saving passes the rules again).
TEST_F(RoundsWindowTest, APlanTheRulesRefuseCanStillBeRemovedInThePlanWindow) {
    {
        PlanWindow window(dm);
        clickWhenShown(window, "btnOK", [&] {
            window.NowyClick();
            window.edNazwa->setText("Noc");
            window.cbPunkt->setCurrentIndex(window.cbPunkt->findData(12));
            window.addStep();
        });
        window.exec();
    }
    ASSERT_EQ(loadPlans(dm).size(), 1);
    runRoundsQuery(dm, "UPDATE ob.Plany SET CzasObchodu = 100000");
    EXPECT_THROW(loadPlans(dm), EDatabaseError);
    {
        PlanWindow window(dm);
        ASSERT_EQ(window.lstPlany->count(), 1);
        clickWhenShown(window, "btnOK", [&] {
            window.lstPlany->setCurrentRow(0);
            window.UsunClick();
        });
        EXPECT_EQ(window.exec(), QDialog::Accepted);
    }
    EXPECT_TRUE(loadPlans(dm).isEmpty());
}

TEST_F(RoundsWindowTest, EveryWindowShowsItsTextsWhole) {
    saveCheckpoints(dm, {{12, QString(60, QChar(0x0141)), false}});
    CheckpointWindow points(dm);
    InstrumentWindow readers(dm);
    PlanWindow plans(dm);
    plans.NowyClick();
    for (QDialog* window : std::initializer_list<QDialog*>{&points, &readers, &plans}) {
        window->show();
        EXPECT_EQ(textProblems(*window).join("; ").toStdString(), "")
            << window->objectName().toStdString();
        window->hide();
    }
}

TEST_F(RoundsWindowTest, MenuOpensTheWindowsAndABadFileIsNamed) {
    TfrGlowna main(folder.base());
    main.attach({dm, {}, {}, {}});
    QStringList opened;
    for (QAction* action : {main.acPunkty, main.acCzytniki, main.acPlany}) {
        QTimer::singleShot(0, &main, [&opened] {
            QWidget* window = QApplication::activeModalWidget();
            opened << (window ? window->objectName() + ' ' + window->windowTitle() : "none");
            if (auto* dialog = qobject_cast<QDialog*>(window))
                dialog->reject();
        });
        action->trigger();
    }
    EXPECT_EQ(opened, QStringList({"frPunkty Punkty kontrolne", "frCzytniki Czytniki",
                                   "frPlany Plany obchodów"}));

    dm.tbOdbicia.Close();
    ASSERT_TRUE(writeFileBytes(folder.file("db/Obchody.db"), QByteArray(2048, 'z')));
    dm.openTables();
    main.acPlany->trigger();
    const QStringList errors = dialogs.texts(TestDialogs::Shown::Error);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith("Nie można otworzyć pliku " + folder.file("db/Obchody.db") +
                                     ": plik jest uszkodzony"))
        << errors[0].toStdString();
    EXPECT_EQ(dm.punchCount(), 2);
}
