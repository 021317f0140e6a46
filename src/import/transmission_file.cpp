// Naming, writing and replacing the stored transmission files.
#include "import/transmission_file.h"

#include <QFileInfo>

#include "common/io_error.h"
#include "link/receive_buffer.h"
#include "platform/files.h"

namespace ronvalo {

namespace {

bool keptAsIs(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
}

} // namespace

QString transmissionFileName(const QByteArray& instrument) {
    if (instrument.isEmpty())
        return QStringLiteral("%empty");
    static constexpr char hex[] = "0123456789ABCDEF";
    QString name;
    name.reserve(instrument.size() * 3);
    for (const char c : instrument) {
        if (keptAsIs(c)) {
            name += QLatin1Char(c);
        } else {
            const auto byte = static_cast<unsigned char>(c);
            name += QLatin1Char('%');
            name += QLatin1Char(hex[byte >> 4]);
            name += QLatin1Char(hex[byte & 0xF]);
        }
    }
    return name;
}

QString transmissionFilePath(const QString& baseFolder, const QByteArray& instrument) {
    const std::string relative = ("txt/" + transmissionFileName(instrument)).toStdString();
    return QString::fromStdString(
        platform::resolveIgnoringCase(baseFolder.toStdString(), relative));
}

PendingTransmissionFile::PendingTransmissionFile(const QString& path, const ReceiveBuffer& content)
    : path_(path), temporary_(path + QStringLiteral(".tmp")) {
    // "." is never part of a file name made from an instrument number, so the temporary name
    // cannot be another instrument's file.
    const std::string folder = QFileInfo(path_).absolutePath().toStdString();
    if (!platform::folderExists(folder))
        if (const auto error = platform::createFolders(folder); error.failed())
            raiseInOutError(error);
    // Refused now, before any punch is committed, rather than at the rename afterwards.
    if (platform::fileExists(path_.toStdString()) && platform::isReadOnly(path_.toStdString()))
        raiseInOutError(platform::OsError::accessDenied());
    platform::OsError::clearLast();
    if (!content.saveToFile(temporary_))
        raiseInOutError(platform::OsError::last());
}

PendingTransmissionFile::~PendingTransmissionFile() {
    if (!placed_)
        platform::deleteFile(temporary_.toStdString());
}

void PendingTransmissionFile::place() {
    if (const auto error = platform::renameFile(temporary_.toStdString(), path_.toStdString());
        error.failed())
        raiseInOutError(error);
    placed_ = true;
}

} // namespace ronvalo
