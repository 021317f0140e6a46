// The general error handler: the error's text in the error box.
#include "core/common/error_handler.h"

#include "core/common/dialogs.h"
#include "core/common/exception.h"

namespace ronvalo {

QString errorBoxText(const QString& text) {
    if (!text.isEmpty() && text.back() > QChar('.'))
        return text + '.';
    return text;
}

void handleException(const std::exception& error) {
    const auto* own = dynamic_cast<const Exception*>(&error);
    const QString text = own ? own->message() : QString::fromLocal8Bit(error.what());
    Dialogs::current().error(errorBoxText(text));
}

void handleUnknownException() {
    Dialogs::current().error(QStringLiteral("Unknown error."));
}

} // namespace ronvalo
