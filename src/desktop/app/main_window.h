// The main window TfrGlowna: settings, port menu, backup reminder, the commands, the service log
// and the two receive buffers.
#pragma once

#include <QDateTime>
#include <QMainWindow>
#include <array>
#include <functional>
#include <optional>

#include "core/common/service_log.h"
#include "core/link/receive_buffer.h"
#include "core/rounds/exception_report.h"

class QAction;
class QMenu;
class QToolBar;

namespace ronvalo {

class TDM3;

// What the main window's commands work on, handed over by the program once every long-lived
// object exists: the tables, and the commands that show the other windows.
struct MainWindowParts {
    TDM3& DM3;
    std::function<void()> download; // "Odbior": the download dialog, then the import
    std::function<void()> browse;   // "Odbicia": the punch browser
    std::function<void()> about;    // "Info": the About window
};

class TfrGlowna : public QMainWindow {
    Q_OBJECT
public:
    // Creates the window and runs FormCreate: base folder, log bound, "Start programu".
    explicit TfrGlowna(const QString& baseFolder);
    // Hands over what the commands and the first showing work on.
    void attach(MainWindowParts parts);

    void FormCreate();
    void FormShow();
    void mCom1Click(QAction* item);
    void SavePort();
    void acOdbiorExecute();
    void acOdbiciaExecute();
    void acInfoExecute();
    void mWykonajBackupClick();
    void mOdtworzZBackupuClick();
    void MakeBackup();
    void acPunktyExecute();
    void acCzytnikiExecute();
    void acPlanyExecute();
    void acRaportWyjatkowExecute();
    void acSprawdzArchiwumExecute();

    void WriteLog(const QString& message);
    // The service log bound by FormCreate.
    ServiceLog& Log();

    const QString& BaseFolder() const { return baseFolder_; }
    quint8 SelectedPort() const { return selectedPort_; }

    // The two receive buffers: the download fills them, the import reads the first.
    ReceiveBuffer Memo1;
    ReceiveBuffer Memo2;
    // When the download dialog last found two transmissions in agreement.
    QDateTime TransferDate;

    QMenu* mOpcje = nullptr;
    QMenu* mPortRS = nullptr;
    QMenu* mBackup = nullptr;
    std::array<QAction*, 4> mCom{}; // mCom1 .. mCom4
    QAction* mWykonajBackup = nullptr;
    QAction* mOdtworzZBackupu = nullptr;
    QMenu* mObchody = nullptr;
    QAction* acPunkty = nullptr;
    QAction* acCzytniki = nullptr;
    QAction* acPlany = nullptr;
    QAction* acRaportWyjatkow = nullptr;
    QAction* acSprawdzArchiwum = nullptr;
    QAction* acOdbior = nullptr;
    QAction* acOdbicia = nullptr;
    QAction* acInfo = nullptr;
    QToolBar* ToolBar1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenu();
    void buildRoundsMenu();
    void buildToolBar();
    void setPortFromSetting(qint32 value);

    // The parts handed over by attach(); a command before it is a programming error.
    MainWindowParts& parts();

    std::optional<MainWindowParts> parts_;
    QString baseFolder_;
    std::optional<ServiceLog> log_;
    std::optional<ExceptionReportChoices> exceptionReportChoices_;
    quint8 selectedPort_ = 0;
    bool shown_ = false;
};

} // namespace ronvalo
