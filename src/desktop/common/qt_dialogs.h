// The real message and confirmation boxes of the windows, installed for the whole run.
#pragma once

#include "core/common/dialogs.h"

namespace ronvalo {

class QtDialogs final : public Dialogs {
public:
    QtDialogs();
    ~QtDialogs() override;
    QtDialogs(const QtDialogs&) = delete;
    QtDialogs& operator=(const QtDialogs&) = delete;

    void notice(const QString& text) override;
    void error(const QString& text) override;
    bool confirm(const QString& text) override;
    // The save dialog; a name typed without an extension gets the filter's.
    QString saveFileName(const QString& caption, const QString& suggested,
                         const QString& filter) override;
};

} // namespace ronvalo
