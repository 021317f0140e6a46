// The program's eight long-lived objects, created in their fixed order and living to the end.
#pragma once

#include <QString>
#include <memory>

#include "core/common/service_log.h"

namespace ronvalo {

class TfrGlowna;
class TDM3;
class TfrOdbior;
class TfrOdbicia;
class TfrInfo;
class TfrRaport2;
class TfrDialog;
class TfrUdaloDlg;
class PunchImport;
struct DownloadContext;

// Names the application "Ronvalo 2.2": the task bar shows it, and plain message boxes carry it as
// their caption. It sets no display name, which Qt would append to every window's caption.
void nameApplication();

// The composition root: it creates the long-lived objects, hands each what it works on, and owns
// them. Nothing it owns reaches back into it.
class Program {
public:
    // Creates every object in order; the main window's creation step logs "Start programu".
    explicit Program(const QString& baseFolder);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    TfrGlowna& frGlowna() const { return *frGlowna_; }
    TDM3& DM3() const { return *DM3_; }
    TfrOdbior& frOdbior() const { return *frOdbior_; }
    TfrOdbicia& frOdbicia() const { return *frOdbicia_; }
    TfrInfo& frInfo() const { return *frInfo_; }
    TfrRaport2& frRaport2() const { return *frRaport2_; }
    TfrDialog& frDialog() const { return *frDialog_; }
    TfrUdaloDlg& frUdaloDlg() const { return *frUdaloDlg_; }
    PunchImport& Import() const { return *Import_; }

private:
    // What the download dialog works on: the main window's buffers, port, log and transfer date.
    DownloadContext downloadContext(const LogWriter& writeLog);
    // The main window's commands, once every object exists.
    void attachMainWindow();

    // Declared in creation order, so they are destroyed in the reverse order.
    std::unique_ptr<TfrGlowna> frGlowna_;
    std::unique_ptr<TDM3> DM3_;
    std::unique_ptr<TfrOdbior> frOdbior_;
    std::unique_ptr<TfrOdbicia> frOdbicia_;
    std::unique_ptr<TfrInfo> frInfo_;
    std::unique_ptr<TfrRaport2> frRaport2_;
    std::unique_ptr<TfrDialog> frDialog_;
    std::unique_ptr<TfrUdaloDlg> frUdaloDlg_;
    // The import's state that carries over from one download to the next (instrument date,
    // first punch date).
    std::unique_ptr<PunchImport> Import_;
};

} // namespace ronvalo
