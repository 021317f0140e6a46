// The seam for message and confirmation boxes: the windows' real boxes, or a test's answers, or,
// in a program without windows, the standard error stream.
#pragma once

#include <QString>

namespace ronvalo {

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A plain notice: one OK button, the application's title as caption.
    virtual void notice(const QString& text) = 0;
    // The yes-or-no box: caption "Confirm", question icon, Yes the default; true for Yes.
    virtual bool confirm(const QString& text) = 0;
    // An error: error icon, one OK button, caption "Ronvalo 2.2".
    virtual void error(const QString& text) = 0;
    // The save dialog: the name of a file to write, "" when the operator cancels. It starts at
    // `suggested` (a path or a bare name), lists the files `filter` matches ("Pliki CSV (*.csv)")
    // and asks before an existing file is replaced.
    virtual QString saveFileName(const QString& caption, const QString& suggested,
                                 const QString& filter) = 0;

    // The boxes in use: the ones installed last. With none installed (a program without
    // windows), notices and errors go to the standard error stream, every question is answered
    // No and no file is named.
    static Dialogs& current();

protected:
    // Installs this object until it is uninstalled, which brings back the boxes installed before
    // it: the windows' real boxes for the whole run, a test's for the length of a test.
    void install();
    void uninstall();

private:
    static Dialogs*& installed();
    Dialogs* previous_ = nullptr;
};

} // namespace ronvalo
