// The stored transmission files in txt/: one per instrument number, the dump from its separator
// line on, and replacing one only once the punches it filed are committed.
#pragma once

#include <QByteArray>
#include <QString>

namespace ronvalo {

class ReceiveBuffer;

// The file name an instrument number gets. ASCII letters, digits, "-" and "_" stay; any other
// byte becomes "%XX" (upper-case hex), so no name reaches outside its folder and two numbers
// never share a name. The empty number gets "%empty", which no number produces ("m" is no hex).
QString transmissionFileName(const QByteArray& instrument);

// base + "txt/" + the file name, each part matched without regard to case to what exists.
QString transmissionFilePath(const QString& baseFolder, const QByteArray& instrument);

// A new content for a stored transmission file, written beside it first. The file itself is
// replaced only by place(); an object that goes without place() removes what it wrote.
class PendingTransmissionFile {
public:
    // Creates the folder when missing and writes the buffer's lines, CR LF each, to a temporary
    // file. Raises EInOutError when the folder or file cannot be written, or when the stored
    // file is read-only (it could not be replaced later).
    PendingTransmissionFile(const QString& path, const ReceiveBuffer& content);
    ~PendingTransmissionFile();
    PendingTransmissionFile(const PendingTransmissionFile&) = delete;
    PendingTransmissionFile& operator=(const PendingTransmissionFile&) = delete;

    // Renames the temporary file over the stored one; EInOutError when that fails.
    void place();

private:
    QString path_;
    QString temporary_;
    bool placed_ = false;
};

} // namespace ronvalo
