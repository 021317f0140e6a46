// Creation of the long-lived objects.
#include "app/program.h"

#include "app/about_window.h"
#include "app/main_window.h"
#include "browse/punch_browser.h"
#include "browse/report_form.h"
#include "import/punch_import.h"
#include "import/summary_dialog.h"
#include "link/download_dialog.h"
#include "link/transmission_error_dialog.h"
#include "store/data_module.h"

#include <QCoreApplication>

namespace ronvalo {

void nameApplication() {
    QCoreApplication::setApplicationName(QStringLiteral("Ronvalo 2.2"));
}

Program::Program(const QString& baseFolder) {
    frGlowna = std::make_unique<TfrGlowna>(*this, baseFolder);
    DM3 = std::make_unique<TDM3>();
    frOdbior = std::make_unique<TfrOdbior>(downloadContext(), frGlowna.get());
    frOdbicia = std::make_unique<TfrOdbicia>(
        *DM3, [main = frGlowna.get()](const QString& message) { main->WriteLog(message); },
        frGlowna.get());
    frInfo = std::make_unique<TfrInfo>(frGlowna.get());
    frRaport2 = std::make_unique<TfrRaport2>(frGlowna.get());
    frRaport2->setPunchSourceFactory([dm = DM3.get()] { return dm->readPunches(); });
    frOdbicia->setReportForm(frRaport2.get());
    frDialog = std::make_unique<TfrDialog>(frGlowna.get());
    frUdaloDlg = std::make_unique<TfrUdaloDlg>(frGlowna.get());
    Import = std::make_unique<PunchImport>(
        baseFolder, *DM3,
        [main = frGlowna.get()](const QString& message) { main->WriteLog(message); }, *frUdaloDlg);
}

Program::~Program() = default;

DownloadContext Program::downloadContext() {
    TfrGlowna& main = *frGlowna;
    return {main.Memo1, main.Memo2, [&main] { return main.SelectedPort(); },
            [&main](const QString& message) { main.WriteLog(message); }, main.TransferDate,
            // frDialog is made after the download dialog, and lives as long as it does.
            [this] { return frDialog->exec(); }};
}

} // namespace ronvalo
