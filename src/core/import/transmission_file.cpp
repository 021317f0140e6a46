// Naming, writing and replacing the stored transmission files.
#include "core/import/transmission_file.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QStringList>

#include "core/common/io_error.h"
#include "core/link/receive_buffer.h"
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

// The temporary file's name has a ".", which no name made from an instrument number has: it is
// never another instrument's file.
PendingTransmissionFile::PendingTransmissionFile(const QString& path,
                                                 const ReceiveBuffer& content) {
    const std::string folder = QFileInfo(path).absolutePath().toStdString();
    if (!platform::folderExists(folder))
        if (const auto error = platform::createFolders(folder); error.failed())
            raiseInOutError(error);
    // Everything but the rename is done now, before any punch is committed: the rename comes
    // after the commit. open() refuses what a rename could not replace.
    const QByteArray text = content.fileText();
    file_.open(path.toStdString());
    file_.write(std::string_view(text.constData(), text.size()));
    if (const auto error = file_.prepare(); error.failed()) // the first failure since open()
        raiseInOutError(error);
}

void PendingTransmissionFile::place() noexcept {
    file_.commit();
}

} // namespace ronvalo
