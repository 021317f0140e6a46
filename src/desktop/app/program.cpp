// Creation of the long-lived objects.
#include "desktop/app/program.h"

#include "core/import/punch_import.h"
#include "core/store/data_module.h"
#include "desktop/app/about_window.h"
#include "desktop/app/main_window.h"
#include "desktop/browse/punch_browser.h"
#include "desktop/import/import_command.h"
#include "desktop/import/summary_dialog.h"
#include "desktop/link/download_dialog.h"
#include "desktop/link/transmission_error_dialog.h"
#include "desktop/report/report_form.h"

#include <QCoreApplication>

namespace ronvalo {

void nameApplication() {
    QCoreApplication::setApplicationName(QStringLiteral("Ronvalo 2.2"));
}

Program::Program(const QString& baseFolder) {
    frGlowna_ = std::make_unique<TfrGlowna>(baseFolder);
    TfrGlowna* main = frGlowna_.get();
    const LogWriter writeLog = [main](const QString& message) { main->WriteLog(message); };
    DM3_ = std::make_unique<TDM3>();
    frOdbior_ = std::make_unique<TfrOdbior>(downloadContext(writeLog), main);
    frOdbicia_ = std::make_unique<TfrOdbicia>(*DM3_, writeLog, main);
    frInfo_ = std::make_unique<TfrInfo>(main);
    frRaport2_ = std::make_unique<TfrRaport2>(main);
    frRaport2_->setPunchSourceFactory([dm = DM3_.get()] { return dm->readPunches(); });
    frOdbicia_->setReportForm(frRaport2_.get());
    frDialog_ = std::make_unique<TfrDialog>(main);
    frUdaloDlg_ = std::make_unique<TfrUdaloDlg>(main);
    Import_ = std::make_unique<PunchImport>(baseFolder, *DM3_, writeLog);
    Import_->showSummary = summaryShownIn(*frUdaloDlg_);
    attachMainWindow();
}

Program::~Program() = default;

DownloadContext Program::downloadContext(const LogWriter& writeLog) {
    TfrGlowna& main = *frGlowna_;
    return {main.Memo1, main.Memo2, [&main] { return main.SelectedPort(); }, writeLog,
            main.TransferDate,
            // frDialog is made after the download dialog, and lives as long as it does.
            [this] { return frDialog_->exec(); }};
}

void Program::attachMainWindow() {
    TfrGlowna& main = *frGlowna_;
    main.attach({*DM3_,
                 [this, &main] {
                     acOdbiorExecute(*frOdbior_, *Import_, main.Memo1, main.Memo2,
                                     [&main] { return main.TransferDate; });
                 },
                 [this] { showPunchBrowser(*DM3_, *frOdbicia_); }, [this] { frInfo_->exec(); }});
}

} // namespace ronvalo
