// The program's exception classes: one base with a message, and the kinds the handlers tell apart.
#pragma once

#include <QString>
#include <stdexcept>

namespace ronvalo {

// Every error the program raises. The text is what the general error handler shows.
class Exception : public std::runtime_error {
public:
    explicit Exception(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const noexcept { return message_; }

private:
    QString message_;
};

// A file operation of the service log or a plain text file failed ("File access denied", ...).
class EInOutError : public Exception {
public:
    EInOutError(const QString& message, int errorCode) : Exception(message), code_(errorCode) {}
    int errorCode() const noexcept { return code_; }

private:
    int code_;
};

// A registry value could not be read or written.
class ERegistryException : public Exception {
    using Exception::Exception;
};

// A file could not be opened for reading ("Cannot open file %s").
class EFOpenError : public Exception {
    using Exception::Exception;
};

// A file could not be created ("Cannot create file %s").
class EFCreateError : public Exception {
    using Exception::Exception;
};

// A stream read failed ("Stream read error").
class EReadError : public Exception {
    using Exception::Exception;
};

// A stream write failed ("Stream write error").
class EWriteError : public Exception {
    using Exception::Exception;
};

// A table could not be opened, read or written.
class EDatabaseError : public Exception {
    using Exception::Exception;
};

// A text field did not read as a number, date or time.
class EConvertError : public Exception {
    using Exception::Exception;
};

// The reader dump breaks the line layout. Raised without text: the import composes it.
class EZlyFormat : public Exception {
public:
    EZlyFormat() : Exception(QString()) {}
};

// The reader dump equals the one on file for this instrument. Raised without text.
class ETeSameDane : public Exception {
public:
    ETeSameDane() : Exception(QString()) {}
};

} // namespace ronvalo
