// The boxes in use, and the plain ones of a program without windows.
#include "core/common/dialogs.h"

#include <cstdio>

namespace ronvalo {

namespace {

class PlainDialogs final : public Dialogs {
public:
    void notice(const QString& text) override { write(text); }
    void error(const QString& text) override { write(text); }
    bool confirm(const QString& text) override {
        write(text);
        return false;
    }
    QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }

private:
    static void write(const QString& text) {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    }
};

} // namespace

Dialogs*& Dialogs::installed() {
    static Dialogs* dialogs = nullptr;
    return dialogs;
}

Dialogs& Dialogs::current() {
    static PlainDialogs plain;
    return installed() ? *installed() : plain;
}

void Dialogs::install() {
    previous_ = installed();
    installed() = this;
}

void Dialogs::uninstall() {
    if (installed() == this)
        installed() = previous_;
}

} // namespace ronvalo
