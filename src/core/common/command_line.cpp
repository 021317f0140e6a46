// The command-line tools' terminal text and their last line of defence.
#include "core/common/command_line.h"

#include <QTextStream>
#include <new>

#include "core/common/exception.h"

namespace ronvalo {

namespace {

bool isControl(char32_t c) {
    return c < 0x20 || (c >= 0x7f && c <= 0x9f);
}

// The embedding, override and isolate marks: they make a terminal show the rest of the line
// reversed, so that "gpj.exe" reads as "exe.jpg".
bool isDirectionMark(char32_t c) {
    return (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069);
}

QString escaped(char32_t c) {
    if (c <= 0xff)
        return QStringLiteral("\\x%1").arg(uint(c), 2, 16, QLatin1Char('0'));
    return QStringLiteral("\\u%1").arg(uint(c), 4, 16, QLatin1Char('0'));
}

} // namespace

QString terminalText(const QString& text) {
    QString shown;
    shown.reserve(text.size());
    for (qsizetype k = 0; k < text.size(); ++k) {
        const char16_t c = text[k].unicode();
        if (isControl(c) || isDirectionMark(c))
            shown += escaped(c);
        else
            shown += text[k];
    }
    return shown;
}

void printFailure(const QString& tool, const QString& message) {
    QTextStream(stderr) << tool << ": " << terminalText(message) << '\n';
}

bool printUsageWhenAsked(const QStringList& arguments, const char* usage) {
    for (qsizetype k = 1; k < arguments.size(); ++k)
        if (arguments[k] == QStringLiteral("--help") || arguments[k] == QStringLiteral("-h")) {
            QTextStream(stdout) << QString::fromUtf8(usage);
            return true;
        }
    return false;
}

int runTool(const QString& tool, int failureCode, const std::function<int()>& work) {
    try {
        return work();
    } catch (const Exception& error) {
        printFailure(tool, error.message());
    } catch (const std::bad_alloc&) {
        printFailure(tool, QStringLiteral("za mało pamięci, praca przerwana"));
    } catch (const std::exception& error) {
        printFailure(
            tool,
            QStringLiteral("nieoczekiwany błąd: %1").arg(QString::fromLocal8Bit(error.what())));
    } catch (...) {
        printFailure(tool, QStringLiteral("nieoczekiwany błąd"));
    }
    return failureCode;
}

} // namespace ronvalo
