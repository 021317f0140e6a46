// The seam for message and confirmation boxes: the real Qt boxes, or a test's answers.
#pragma once

#include <QString>

class QWidget;

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
    // and asks before an existing file is replaced. The real dialog unless a test overrides it.
    virtual QString saveFileName(const QString& caption, const QString& suggested,
                                 const QString& filter);

    // The boxes in use: the real ones unless a test installed its own.
    static Dialogs& current();

protected:
    // Installs this object until it is destroyed (a test's answering seam).
    void install();
    void uninstall();

private:
    static Dialogs*& installed();
};

} // namespace ronvalo
