// The main window's layout and handlers.
#include "desktop/app/main_window.h"

#include <QAction>
#include <QEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <stdexcept>

#include "core/common/backup_reminder.h"
#include "core/common/clock.h"
#include "core/common/dialogs.h"
#include "core/common/error_handler.h"
#include "core/common/legacy_fonts.h"
#include "core/common/registry.h"
#include "core/store/data_module.h"
#include "core/store/server_connection.h"
#include "desktop/app/about_window.h"
#include "desktop/app/backup.h"
#include "desktop/app/toolbar_icons.h"
#include "desktop/common/window_placement.h"
#include "desktop/proof/archive_check_window.h"
#include "desktop/rounds/exception_report_window.h"
#include "desktop/rounds/name_windows.h"
#include "desktop/rounds/plan_window.h"

namespace ronvalo {

namespace {

const QString reminderQuestion = QStringLiteral(
    "Od wykonania ostatniej kopii bezpieczeństwa danych upłynął ponad tydzień. Wykonać kopię "
    "bezpieczeństwa?");

QAction* makeAction(QObject* parent, const char* name, const QString& text) {
    auto* action = new QAction(text, parent);
    action->setObjectName(name);
    return action;
}

} // namespace

TfrGlowna::TfrGlowna(const QString& baseFolder) : baseFolder_(baseFolder) {
    setObjectName("frGlowna");
    setWindowTitle(QStringLiteral("Ronvalo 2.2"));
    setFont(windowFont());
    buildMenu();
    buildToolBar();
    setOuterSize(*this, QSize(303, 254));
    centreOnScreen(*this);
    guarded([this] { FormCreate(); })();
}

void TfrGlowna::attach(MainWindowParts parts) {
    parts_.emplace(std::move(parts));
}

MainWindowParts& TfrGlowna::parts() {
    if (!parts_)
        throw std::logic_error("the main window's parts were not attached");
    return *parts_;
}

void TfrGlowna::buildMenu() {
    mOpcje = menuBar()->addMenu(QStringLiteral("&Opcje"));
    mOpcje->setObjectName("mOpcje");
    mPortRS = mOpcje->addMenu(QStringLiteral("Nr &portu"));
    mPortRS->setObjectName("mPortRS");
    for (int i = 0; i < 4; ++i) {
        const QByteArray name = "mCom" + QByteArray::number(i + 1);
        QAction* item = makeAction(this, name.constData(), QStringLiteral("COM&%1").arg(i + 1));
        item->setCheckable(true);
        item->setChecked(i == 0); // the window's initial layout has COM1 checked
        connect(item, &QAction::triggered, this, guarded([this, item] { mCom1Click(item); }));
        mPortRS->addAction(item);
        mCom[i] = item;
    }
    mBackup = mOpcje->addMenu(QStringLiteral("Kopia &bezpieczeństwa"));
    mBackup->setObjectName("mBackup");
    mWykonajBackup =
        makeAction(this, "mWykonajBackup", QStringLiteral("&Wykonaj kopię bezpieczeństwa"));
    mOdtworzZBackupu = makeAction(this, "mOdtworzZBackupu",
                                  QStringLiteral("&Odtwórz dane z kopii bezpieczeństwa"));
    connect(mWykonajBackup, &QAction::triggered, this, guarded([this] { mWykonajBackupClick(); }));
    connect(mOdtworzZBackupu, &QAction::triggered, this,
            guarded([this] { mOdtworzZBackupuClick(); }));
    mBackup->addAction(mWykonajBackup);
    mBackup->addAction(mOdtworzZBackupu);
    buildRoundsMenu();
}

void TfrGlowna::buildRoundsMenu() {
    mObchody = menuBar()->addMenu(QStringLiteral("O&bchody"));
    mObchody->setObjectName("mObchody");
    acPunkty = makeAction(this, "acPunkty", QStringLiteral("&Punkty kontrolne..."));
    acCzytniki = makeAction(this, "acCzytniki", QStringLiteral("&Czytniki..."));
    acPlany = makeAction(this, "acPlany", QStringLiteral("Plany &obchodów..."));
    acRaportWyjatkow = makeAction(this, "acRaportWyjatkow", QStringLiteral("&Raport wyjątków..."));
    acSprawdzArchiwum =
        makeAction(this, "acSprawdzArchiwum", QStringLiteral("&Sprawdź archiwum odczytów"));
    connect(acPunkty, &QAction::triggered, this, guarded([this] { acPunktyExecute(); }));
    connect(acCzytniki, &QAction::triggered, this, guarded([this] { acCzytnikiExecute(); }));
    connect(acPlany, &QAction::triggered, this, guarded([this] { acPlanyExecute(); }));
    connect(acRaportWyjatkow, &QAction::triggered, this,
            guarded([this] { acRaportWyjatkowExecute(); }));
    connect(acSprawdzArchiwum, &QAction::triggered, this,
            guarded([this] { acSprawdzArchiwumExecute(); }));
    mObchody->addActions({acPunkty, acCzytniki, acPlany, acRaportWyjatkow});
    mObchody->addSeparator();
    mObchody->addAction(acSprawdzArchiwum);
}

void TfrGlowna::buildToolBar() {
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(32, 32));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);
    ToolBar1->toggleViewAction()->setVisible(false);
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    acOdbior = makeAction(this, "acOdbior", QStringLiteral("Odbior"));
    acOdbior->setIcon(downloadIcon());
    acOdbior->setStatusTip(QStringLiteral("Odebranie danych z PC-VERURU."));
    acOdbicia = makeAction(this, "acOdbicia", QStringLiteral("Odbicia"));
    acOdbicia->setIcon(punchesIcon());
    acInfo = makeAction(this, "acInfo", QStringLiteral("Info"));
    acInfo->setIcon(infoIcon());
    connect(acOdbior, &QAction::triggered, this, guarded([this] { acOdbiorExecute(); }));
    connect(acOdbicia, &QAction::triggered, this, guarded([this] { acOdbiciaExecute(); }));
    connect(acInfo, &QAction::triggered, this, guarded([this] { acInfoExecute(); }));
    for (QAction* action : {acOdbior, acOdbicia, acInfo}) {
        ToolBar1->addAction(action);
        // The window shows no tool tips.
        if (QWidget* button = ToolBar1->widgetForAction(action))
            button->installEventFilter(this);
    }
}

bool TfrGlowna::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip)
        return true;
    return QMainWindow::eventFilter(watched, event);
}

void TfrGlowna::FormCreate() {
    log_.emplace(baseFolder_);
    WriteLog(QStringLiteral("Start programu"));
}

ServiceLog& TfrGlowna::Log() {
    if (!log_)
        log_.emplace(baseFolder_);
    return *log_;
}

void TfrGlowna::WriteLog(const QString& message) {
    Log().WriteLog(message);
}

void TfrGlowna::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    // Once the loop runs and the window is on screen, like the first show of the window.
    QTimer::singleShot(0, this, guarded([this] { FormShow(); }));
}

void TfrGlowna::FormShow() {
    TDM3& dm = parts().DM3;
    dm.setDatabaseFolder(databaseFolder(baseFolder_));
    dm.setServer(databaseServerSetting([this](const QString& line) { WriteLog(line); }));
    try {
        dm.openTables();
    } catch (const EServerUnreachable& error) {
        // A server away at the start keeps no setting from being read: the port and the
        // reminder hold for the run, and the next command tries the server again.
        handleException(error);
    }
    // An archive begun anew where the tables hold downloads is told and kept in the log.
    if (const QString notice = dm.takeArchiveNotice(); !notice.isEmpty()) {
        WriteLog(notice);
        Dialogs::current().notice(notice);
    }

    Registry registry; // released on every way out
    registry.OpenKey(settingsKey, true);
    if (!registry.ValueExists("BackupDate")) {
        WriteLog(QStringLiteral("Pierwsze uruchomienie programu"));
        registry.WriteInteger("COM", 1);
        registry.WriteDateTimeBinary("BackupDate", toOle(Clock::now()));
    }
    setPortFromSetting(registry.ReadInteger("COM"));
    const QDate lastBackup = fromOle(registry.ReadDateTimeBinary("BackupDate")).date();
    registry.CloseKey();
    if (backupReminderDue(lastBackup, Clock::now().date()) &&
        Dialogs::current().confirm(reminderQuestion))
        MakeBackup();
}

void TfrGlowna::setPortFromSetting(qint32 value) {
    for (QAction* item : mCom)
        item->setChecked(false);
    if (value >= 1 && value <= 4) {
        selectedPort_ = static_cast<quint8>(value);
        mCom[value - 1]->setChecked(true);
    }
}

void TfrGlowna::mCom1Click(QAction* item) {
    for (int i = 0; i < 4; ++i) {
        mCom[i]->setChecked(false);
        if (mCom[i] == item) {
            selectedPort_ = static_cast<quint8>(i + 1);
            item->setChecked(true);
        }
    }
    SavePort();
}

void TfrGlowna::SavePort() {
    Registry registry;
    registry.OpenKey(settingsKey, true);
    for (int i = 0; i < 4; ++i)
        if (mCom[i]->isChecked())
            registry.WriteInteger("COM", i + 1);
}

void TfrGlowna::acOdbiorExecute() {
    parts().download();
}

void TfrGlowna::acOdbiciaExecute() {
    parts().browse();
}

void TfrGlowna::acInfoExecute() {
    parts().about();
}

void TfrGlowna::mWykonajBackupClick() {
    ronvalo::mWykonajBackupClick(baseFolder_, parts().DM3, Log());
}

void TfrGlowna::mOdtworzZBackupuClick() {
    ronvalo::mOdtworzZBackupuClick(baseFolder_, parts().DM3, Log());
}

void TfrGlowna::MakeBackup() {
    ronvalo::MakeBackup(baseFolder_, parts().DM3, Log());
}

// The rounds' windows are made for each showing: they read the tables anew every time.
void TfrGlowna::acPunktyExecute() {
    CheckpointWindow window(
        parts().DM3, [this](const QString& message) { WriteLog(message); }, this);
    window.exec();
}

void TfrGlowna::acCzytnikiExecute() {
    InstrumentWindow window(
        parts().DM3, [this](const QString& message) { WriteLog(message); }, this);
    window.exec();
}

void TfrGlowna::acPlanyExecute() {
    PlanWindow window(
        parts().DM3, [this](const QString& message) { WriteLog(message); }, this);
    window.exec();
}

// The exception report's window keeps its choices for the run: they start as this month the
// first time it opens.
void TfrGlowna::acRaportWyjatkowExecute() {
    if (!exceptionReportChoices_)
        exceptionReportChoices_ = initialExceptionReportChoices();
    ExceptionReportWindow window(
        parts().DM3, [this](const QString& message) { WriteLog(message); },
        *exceptionReportChoices_, this);
    window.exec();
}

// The check reads the tables anew each time; stopped with "Anuluj", it shows no window.
void TfrGlowna::acSprawdzArchiwumExecute() {
    TDM3& dm = parts().DM3;
    ArchiveCheckWindow window(
        [&dm](const ArchiveProgress& progress) { return checkArchive(dm, progress); },
        [this](const QString& message) { WriteLog(message); }, this);
    if (window.runCheck())
        window.exec();
}

} // namespace ronvalo
