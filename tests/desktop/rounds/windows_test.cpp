// The rounds' windows driven as an operator would: "OK" saves, "Anuluj" changes nothing, a
// faulty plan is refused naming its field, and the main window's menu opens them.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimeEdit>
#include <QTimer>
#include <gtest/gtest.h>

#include "core/common/clock.h"
#include "core/rounds/rounds_store.h"
#include "core/store/data_module.h"
#include "core/store/reading_query.h"
#include "core/store/rounds_tables.h"
#include "desktop/app/main_window.h"
#include "desktop/rounds/name_windows.h"
#include "desktop/rounds/plan_window.h"
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
    QStringList logged; // the service log's lines
    LogWriter log = [this](const QString& line) { logged << line; };

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
    // "Nowy": a plan `name` of checkpoint 12, as the window suggests it otherwise.
    static void addPlan(PlanWindow& window, const QString& name) {
        window.NowyClick();
        window.edNazwa->setText(name);
        window.cbPunkt->setCurrentIndex(window.cbPunkt->findData(12));
        window.addStep();
    }
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
        CheckpointWindow points(dm, log);
        ASSERT_EQ(points.tblPunkty->rowCount(), 2);
        clickWhenShown(points, button, [&] {
            points.tblPunkty->item(0, 1)->setText("Brama główna");
            points.tblPunkty->item(1, 2)->setCheckState(Qt::Unchecked);
            points.edNrPunktu->setValue(40);
            points.window()->findChild<QPushButton*>("btnDodaj")->click();
        });
        points.exec();
        InstrumentWindow readers(dm, log);
        clickWhenShown(readers, button,
                       [&] { readers.tblCzytniki->item(0, 1)->setText("Wartownik Nowak"); });
        readers.exec();
    }
    // Anuluj left nothing; OK saved the name and the tick (40 says nothing, so is not kept).
    EXPECT_EQ(loadCheckpoints(dm),
              QList<Checkpoint>({{12, "Brama główna", false}, {171, "", false}}));
    EXPECT_EQ(loadInstruments(dm), QList<InstrumentName>({{"A1", "Wartownik Nowak"}}));
    EXPECT_EQ(logged, QStringList({"Zmiana punktu kontrolnego 12 - Nazwa: „” na „Brama główna”",
                                   "Zmiana punktu kontrolnego 171 - Zdarzenie: tak na nie",
                                   "Zmiana opisu czytnika A1: „” na „Wartownik Nowak”"}));
}

TEST_F(RoundsWindowTest, PlanSavedWithOkRefusedNamingTheFieldAndLeftWithAnuluj) {
    auto fill = [](PlanWindow& window) {
        addPlan(window, "Noc");
        window.edTolerancja->setValue(5);
    };
    {
        PlanWindow window(dm, log);
        clickWhenShown(window, "btnAnuluj", [&] { fill(window); });
        window.exec();
    }
    EXPECT_TRUE(loadPlans(dm).isEmpty());
    {
        PlanWindow window(dm, log);
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
        PlanWindow window(dm, log);
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
        PlanWindow window(dm, log);
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
        PlanWindow window(dm, log);
        clickWhenShown(window, "btnOK", [&] { addPlan(window, "Noc"); });
        window.exec();
    }
    ASSERT_EQ(loadPlans(dm).size(), 1);
    runRoundsQuery(dm, "UPDATE ob.Plany SET CzasObchodu = 100000");
    EXPECT_THROW(loadPlans(dm), EDatabaseError);
    {
        PlanWindow window(dm, log);
        ASSERT_EQ(window.lstPlany->count(), 1);
        dialogs.answers = {true};
        clickWhenShown(window, "btnOK", [&] {
            window.lstPlany->setCurrentRow(0);
            window.UsunClick();
        });
        EXPECT_EQ(window.exec(), QDialog::Accepted);
    }
    EXPECT_TRUE(loadPlans(dm).isEmpty());
}

namespace {

// A plan of checkpoint 12 read by A1, one round a day at 8:00.
Plan storedPlan(qint64 id, const QString& name, const QDate& from, const QDate& to = {}) {
    Plan plan;
    plan.id = id;
    plan.name = name;
    plan.instrument = "A1";
    plan.firstStart = plan.lastStart = QTime(8, 0);
    plan.tolerance = 15;
    plan.duration = 60;
    plan.validFrom = from;
    plan.validTo = to;
    plan.steps = {{12, false}};
    return plan;
}

QStringList column(const QTableWidget& table, int column) {
    QStringList texts;
    for (int row = 0; row < table.rowCount(); ++row)
        texts << table.item(row, column)->text();
    return texts;
}

} // namespace

TEST_F(RoundsWindowTest, AnEndedPlanIsListedWithItsPeriods) {
    Plan changed = storedPlan(2, "Noc", QDate(2024, 2, 1), QDate(2024, 3, 1));
    changed.tolerance = 5;
    replacePlanPeriods(dm, {},
                       {storedPlan(1, "Noc", QDate(2024, 1, 1), QDate(2024, 1, 31)), changed,
                        storedPlan(3, "Dzień", QDate(2024, 3, 5))});
    PlanWindow window(dm, log);
    auto* remove = window.findChild<QPushButton*>("btnUsun");
    ASSERT_EQ(window.lstPlany->count(), 2);
    EXPECT_EQ(window.lstPlany->item(0)->text(), "Dzień");
    EXPECT_EQ(window.lstPlany->item(1)->text(), "Noc (do 1.03.2024)");
    EXPECT_TRUE(remove->isEnabled());
    window.lstPlany->setCurrentRow(1);
    EXPECT_EQ(column(*window.tblOkresy, 0) + column(*window.tblOkresy, 1),
              QStringList({"1.01.2024", "1.02.2024", "31.01.2024", "1.03.2024"}));
    EXPECT_EQ(window.tblOkresy->item(1, 2)->text(),
              "A1, Pn–Nd, 08:00, tolerancja 5 min, czas 60 min, punkty 12");
    EXPECT_FALSE(remove->isEnabled()); // its periods stay for the days they judged
    EXPECT_EQ(window.edOd->displayFormat(), "d.MM.yyyy");
}

TEST_F(RoundsWindowTest, DeletingAPlanAndChangingPastDaysAskFirst) {
    replacePlanPeriods(dm, {}, {storedPlan(1, "Noc", QDate(2024, 3, 5))});
    struct Case {
        const char* what;
        std::function<void(PlanWindow&)> edit;
        bool answer;
        QString question;
        QDate from; // of the stored plan afterwards
        QStringList logged;
    };
    const QString pastQuestion = "Zmiana planu „Noc” obejmuje dni już minione (od 1.03.2024): "
                                 "raporty tych dni, być może już pokazane, będą inne. Zapisać "
                                 "zmianę?";
    const QString deleteQuestion =
        "Usunąć plan „Noc”? Dni, w których już obowiązywał, zachowają go w raportach.";
    auto moveBack = [](PlanWindow& w) { w.edOd->setDate(QDate(2024, 3, 1)); };
    auto remove = [](PlanWindow& w) { w.UsunClick(); };
    const Case cases[] = {
        {"od moved back, not confirmed", moveBack, false, pastQuestion, QDate(2024, 3, 5), {}},
        {"od moved back, confirmed",
         moveBack,
         true,
         pastQuestion,
         QDate(2024, 3, 1),
         {"Zmiana planu „Noc” - Obowiązuje od: 5.03.2024 na 1.03.2024"}},
        {"deletion not confirmed", remove, false, deleteQuestion, QDate(2024, 3, 1), {}},
        {"deletion confirmed (the plan held before: its past stays)",
         remove,
         true,
         deleteQuestion,
         QDate(2024, 3, 1),
         {"Usunięcie planu „Noc”"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dialogs.shown.clear();
        dialogs.answers = {c.answer};
        logged.clear();
        PlanWindow window(dm, log);
        clickWhenShown(window, "btnOK", [&] { c.edit(window); });
        window.exec();
        EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Confirm), QStringList({c.question}));
        EXPECT_EQ(logged, c.logged);
        const QList<Plan> stored = loadPlans(dm);
        ASSERT_EQ(stored.size(), 1);
        EXPECT_EQ(stored[0].validFrom, c.from);
    }
    EXPECT_EQ(loadPlans(dm)[0].validTo, QDate(2024, 3, 4));
}

TEST_F(RoundsWindowTest, OverlappingPlansAreSavedOnlyOnceTheOperatorAgrees) {
    replacePlanPeriods(dm, {}, {storedPlan(1, "Noc", QDate(2024, 3, 5))});
    for (bool answer : {false, true}) {
        SCOPED_TRACE(answer);
        dialogs.shown.clear();
        dialogs.answers = {answer};
        PlanWindow window(dm, log);
        clickWhenShown(window, "btnOK", [&] {
            addPlan(window, "Obchód 2");
            window.edPierwszyStart->setTime(QTime(8, 30));
            window.edOstatniStart->setTime(QTime(8, 30));
        });
        window.exec();
        const QStringList asked = dialogs.texts(TestDialogs::Shown::Confirm);
        ASSERT_EQ(asked.size(), 1);
        EXPECT_TRUE(asked[0].startsWith("Plany „Obchód 2” i „Noc” czytnika A1 obejmują punkt 12 "
                                        "w tym samym czasie (pierwszy raz 5.03.2024)."))
            << asked[0].toStdString();
        EXPECT_EQ(loadPlans(dm).size(), answer ? 2 : 1);
        EXPECT_EQ(logged.size(), answer ? 1 : 0); // "Dodanie planu „Obchód 2” - ..."
    }
    // Plans stored as they were are not the operator's doing now: saved again, nothing asked.
    dialogs.shown.clear();
    PlanWindow window(dm, log);
    clickWhenShown(window, "btnOK", [] {});
    EXPECT_EQ(window.exec(), QDialog::Accepted);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(RoundsWindowTest, CheckpointZeroIsRefusedAndAnAddedOneRemoved) {
    replacePlanPeriods(dm, {}, {storedPlan(1, "Noc", QDate(2024, 3, 5))});
    runRoundsQuery(dm, "UPDATE ob.KrokiPlanu SET Nrwewpkt = 50");
    CheckpointWindow window(dm, log);
    EXPECT_EQ(window.edNrPunktu->minimum(), 1);
    auto numbers = [&] { return column(*window.tblPunkty, 0); };
    auto removeNumber = [&](const QString& number) {
        window.tblPunkty->setCurrentCell(int(numbers().indexOf(number)), 0);
        window.removeCheckpoint();
    };
    window.addCheckpoint(0);
    window.addCheckpoint(40);
    window.addCheckpoint(50);
    EXPECT_EQ(numbers(), QStringList({"12", "40", "50", "171"}));
    removeNumber("40");
    removeNumber("12");
    removeNumber("50");
    EXPECT_EQ(numbers(), QStringList({"12", "50", "171"}));
    EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Notice),
              QStringList({"Numer punktu kontrolnego musi być większy od zera (pole „Nr pkt.”).",
                           "Punkt 12 pozostaje na liście: występuje w odbiciach. Można usunąć "
                           "jego nazwę w kolumnie „Nazwa”.",
                           "Punkt 50 pozostaje na liście: należy do planu „Noc”."}));
}

TEST_F(RoundsWindowTest, EveryWindowShowsItsTextsWhole) {
    saveCheckpoints(dm, {{12, QString(60, QChar(0x0141)), false}});
    CheckpointWindow points(dm, log);
    InstrumentWindow readers(dm, log);
    PlanWindow plans(dm, log);
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
