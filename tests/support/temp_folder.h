// Temporary folders and environment variables that tidy up after a test.
#pragma once

#include "support/qt_printers.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <optional>
#include <string>

namespace ronvalo::test {

// A fresh folder; base() is its path ending in "/", as the program's base folder is.
class TempFolder {
public:
    TempFolder() { dir_.setAutoRemove(true); }
    QString path() const { return dir_.path(); }
    QString base() const { return dir_.path() + '/'; }
    std::string baseStd() const { return base().toStdString(); }
    QString file(const QString& name) const { return base() + name; }

private:
    QTemporaryDir dir_;
};

// Sets (or unsets, with nullopt) an environment variable for the test's lifetime.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<QByteArray> value) : name_(name) {
        if (qEnvironmentVariableIsSet(name))
            old_ = qgetenv(name);
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            qputenv(name_, *old_);
        else
            qunsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<QByteArray> old_;
};

// Reads a whole file as bytes (empty when missing).
QByteArray readFileBytes(const QString& path);
// Writes bytes to a file, replacing it; false when it could not.
bool writeFileBytes(const QString& path, const QByteArray& bytes);
// The names in a folder, hidden ones (a temporary file left behind) included.
QStringList folderEntries(const QString& folder);

} // namespace ronvalo::test
