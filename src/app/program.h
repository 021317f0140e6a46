// The program's eight long-lived objects, created in their fixed order and living to the end.
#pragma once

#include <QString>
#include <memory>

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

class Program {
public:
    // Creates every object in order; the main window's creation step logs "Start programu".
    explicit Program(const QString& baseFolder);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Declared in creation order, so they are destroyed in the reverse order.
    std::unique_ptr<TfrGlowna> frGlowna;
    std::unique_ptr<TDM3> DM3;
    std::unique_ptr<TfrOdbior> frOdbior;
    std::unique_ptr<TfrOdbicia> frOdbicia;
    std::unique_ptr<TfrInfo> frInfo;
    std::unique_ptr<TfrRaport2> frRaport2;
    std::unique_ptr<TfrDialog> frDialog;
    std::unique_ptr<TfrUdaloDlg> frUdaloDlg;
    // The import's state that carries over from one download to the next (instrument date,
    // first punch date).
    std::unique_ptr<PunchImport> Import;

private:
    // What the download dialog works on: the main window's buffers, port, log and transfer date.
    DownloadContext downloadContext();
};

} // namespace ronvalo
