// The stored transmission files in txt/: one per instrument number, the dump from its separator
// line on, and replacing one only once the punches it filed are committed.
#pragma once

#include <QByteArray>
#include <QString>

#include "platform/atomic_file.h"

namespace ronvalo {

class ReceiveBuffer;

// The file name an instrument number gets. Digits, upper-case ASCII letters, "-" and "_" stay as
// they are, so a number of digits only keeps its plain name; any other byte, lower-case letters
// included, becomes "%XX" (upper-case hex). No name reaches outside its folder, and two numbers
// never get names that are equal even ignoring case ("AB" and "ab" stay apart on Windows too).
// A name Windows keeps for a device ("CON", "COM1", ...) has its last byte escaped as well. The
// empty number gets "%empty", which no number produces. A name longer than the bound below is cut
// and ends in "~" and the SHA-256 of the whole number, so that it stays within any file system's
// limit and still differs from every other number's.
QString transmissionFileName(const QByteArray& instrument);
inline constexpr qsizetype maxTransmissionNameLength = 128;

// base + "txt/" + the file name; the folder is matched without regard to case, the name exactly.
QString transmissionFilePath(const QString& baseFolder, const QByteArray& instrument);

// A new content for a stored transmission file, written beside it first. The file itself is
// replaced only by place(); an object that goes without place() removes what it wrote.
class PendingTransmissionFile {
public:
    // Creates the folder when missing and writes the buffer's lines, CR LF each, to a temporary
    // file, flushed to the disk. Raises EInOutError when the folder or file cannot be written, or
    // when the stored file is read-only (it could not be replaced later).
    PendingTransmissionFile(const QString& path, const ReceiveBuffer& content);

    // Renames the temporary file over the stored one. It comes after the commit, so it raises
    // nothing: what the constructor checked leaves the rename only a failing disk, and then the
    // stored file keeps its earlier content.
    void place() noexcept;

private:
    platform::AtomicFile file_;
};

} // namespace ronvalo
