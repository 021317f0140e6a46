// Naming, writing and replacing the stored transmission files.
#include "import/transmission_file.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QStringList>

#include "common/io_error.h"
#include "link/receive_buffer.h"
#include "platform/files.h"

namespace ronvalo {

namespace {

bool keptAsIs(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

void appendEscaped(QString& name, char c) {
    static constexpr char hex[] = "0123456789ABCDEF";
    const auto byte = static_cast<unsigned char>(c);
    name += QLatin1Char('%');
    name += QLatin1Char(hex[byte >> 4]);
    name += QLatin1Char(hex[byte & 0xF]);
}

// Names Windows opens as devices in any folder. Only upper-case letters and digits stay plain,
// so only such a name can come out equal to one of these.
bool isDeviceName(const QString& name) {
    static const QStringList fixed{"CON", "PRN", "AUX", "NUL"};
    if (fixed.contains(name))
        return true;
    return name.size() == 4 && (name.startsWith("COM") || name.startsWith("LPT")) &&
           name[3] >= QLatin1Char('1') && name[3] <= QLatin1Char('9');
}

// The first `length` characters of an encoded name, not cutting through a "%XX".
QString cutEncoded(const QString& name, qsizetype length) {
    const qsizetype percent = name.lastIndexOf(QLatin1Char('%'), length - 1);
    return name.left(percent >= 0 && percent > length - 3 ? percent : length);
}

} // namespace

QString transmissionFileName(const QByteArray& instrument) {
    if (instrument.isEmpty())
        return QStringLiteral("%empty");
    QString name;
    name.reserve(instrument.size() * 3);
    for (const char c : instrument) {
        if (keptAsIs(c))
            name += QLatin1Char(c);
        else
            appendEscaped(name, c);
    }
    if (isDeviceName(name)) {
        name.chop(1);
        appendEscaped(name, instrument.back());
    }
    if (name.size() <= maxTransmissionNameLength)
        return name;
    // "~" is escaped everywhere else, so a cut name never equals a whole one.
    const QString digest = QString::fromLatin1(
        QCryptographicHash::hash(instrument, QCryptographicHash::Sha256).toHex().toUpper());
    return cutEncoded(name, maxTransmissionNameLength - 1 - digest.size()) + QLatin1Char('~') +
           digest;
}

QString transmissionFilePath(const QString& baseFolder, const QByteArray& instrument) {
    // The name is matched exactly: ignoring case would give "ab" the file of "AB".
    const std::string folder = platform::resolveIgnoringCase(baseFolder.toStdString(), "txt");
    return QString::fromStdString(folder) + QLatin1Char('/') + transmissionFileName(instrument);
}

PendingTransmissionFile::PendingTransmissionFile(const QString& path, const ReceiveBuffer& content)
    : path_(path), temporary_(path + QStringLiteral(".tmp")) {
    // "." is never part of a file name made from an instrument number, so the temporary name
    // cannot be another instrument's file.
    const std::string folder = QFileInfo(path_).absolutePath().toStdString();
    if (!platform::folderExists(folder))
        if (const auto error = platform::createFolders(folder); error.failed())
            raiseInOutError(error);
    // What would make the rename fail is refused now, before any punch is committed: the
    // rename comes after the commit.
    const std::string target = path_.toStdString();
    if (platform::folderExists(target) ||
        (platform::fileExists(target) && platform::isReadOnly(target)))
        raiseInOutError(platform::OsError::accessDenied());
    platform::OsError::clearLast();
    if (!content.saveToFile(temporary_))
        raiseInOutError(platform::OsError::last());
}

PendingTransmissionFile::~PendingTransmissionFile() {
    if (!placed_)
        platform::deleteFile(temporary_.toStdString());
}

void PendingTransmissionFile::place() noexcept {
    placed_ = !platform::renameFile(temporary_.toStdString(), path_.toStdString()).failed();
}

} // namespace ronvalo
