// Creation of the long-lived objects.
#include "app/program.h"

#include "app/about_window.h"
#include "app/main_window.h"
#include "browse/punch_browser.h"
#include "browse/report_form.h"
#include "store/data_module.h"

namespace ronvalo {

Program::Program(const QString& baseFolder) {
    frGlowna = std::make_unique<TfrGlowna>(*this, baseFolder);
    DM3 = std::make_unique<TDM3>();
    frOdbicia = std::make_unique<TfrOdbicia>(
        *DM3, [main = frGlowna.get()](const QString& message) { main->WriteLog(message); },
        frGlowna.get());
    frInfo = std::make_unique<TfrInfo>(frGlowna.get());
    frRaport2 = std::make_unique<TfrRaport2>(frGlowna.get());
    frRaport2->setPunchSourceFactory([dm = DM3.get()] { return dm->readPunches(); });
    frOdbicia->setReportForm(frRaport2.get());
}

Program::~Program() = default;

} // namespace ronvalo
