// The application's general error handler, and the guard every signal handler runs through.
#pragma once

#include <QString>
#include <exception>
#include <type_traits>
#include <utility>

namespace ronvalo {

// The error's text with a full stop added when its last character sorts after ".".
QString errorBoxText(const QString& text);

// Shows the error of an unwinding handler in the error box; the program carries on.
void handleException(const std::exception& error);
void handleUnknownException();

// Runs a handler and hands any exception to the general error handler, so that none unwinds
// through Qt's event loop. Connect every signal through it: connect(a, &A::s, guarded(f)).
template <class F> auto guarded(F handler) {
    return [handler = std::move(handler)](auto&&... args) mutable {
        try {
            // Qt passes signal arguments the handler may not want (clicked(bool), ...).
            if constexpr (std::is_invocable_v<F&, decltype(args)...>)
                handler(std::forward<decltype(args)>(args)...);
            else
                handler();
        } catch (const std::exception& error) {
            handleException(error);
        } catch (...) {
            handleUnknownException();
        }
    };
}

} // namespace ronvalo
