// The file copy with the system's error texts, in place or through a temporary file.
#include "common/file_copy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "common/exception.h"
#include "platform/files.h"

namespace ronvalo {

namespace {

constexpr qint64 blockSize = 64 * 1024;

[[noreturn]] void cannotCreate(const QString& path) {
    throw EFCreateError(
        QStringLiteral("Cannot create file %1").arg(QDir::toNativeSeparators(path)));
}

[[noreturn]] void writeFailed() {
    throw EWriteError(QStringLiteral("Stream write error"));
}

// Others are denied write access while the copy reads: a table another program is writing
// would be copied half old, half new.
platform::ReadableFile openSource(const QString& path) {
    platform::ReadableFile in;
    if (in.open(path.toStdString()).failed())
        throw EFOpenError(
            QStringLiteral("Cannot open file %1").arg(QDir::toNativeSeparators(path)));
    return in;
}

void createFolderOf(const QString& path) {
    platform::createFolders(QFileInfo(path).absolutePath().toStdString());
}

// Block by block until a block comes back short; the destination is flushed to the disk and
// closed, so that a rename that follows never puts an unwritten file in place.
void copyContents(platform::ReadableFile& in, QFile& out, const CopyProgress& progress) {
    QByteArray block(blockSize, Qt::Uninitialized);
    for (;;) {
        const auto read = in.read(block.data(), blockSize);
        if (!read)
            throw EReadError(QStringLiteral("Stream read error"));
        const qint64 got = static_cast<qint64>(*read);
        if (got > 0 && out.write(block.constData(), got) != got)
            writeFailed();
        if (got < blockSize)
            break;
        if (progress)
            progress();
    }
    if (!out.flush())
        writeFailed();
    out.close();
    if (out.error() != QFileDevice::NoError ||
        platform::syncToDisk(out.fileName().toStdString()).failed())
        writeFailed();
}

// Creates a new file named "." + the destination's name + a number, in the destination's
// folder; the leading "." keeps a leftover of an interrupted run out of every folder copy.
QString createTemporaryFor(const QString& destination, QFile& out) {
    const QFileInfo info(destination);
    for (int number = 0; number < 1000; ++number) {
        const QString name =
            QStringLiteral("%1/.%2.%3.tmp")
                .arg(info.absolutePath(), info.fileName(), QString::number(number));
        out.setFileName(name);
        if (out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return name;
        if (QFileInfo::exists(name) || QFileInfo(name).isSymLink())
            continue; // taken by a leftover or a parallel copy: try the next number
        break;
    }
    cannotCreate(destination);
}

} // namespace

void copyFileKeepingTime(const QString& source, const QString& destination) {
    platform::ReadableFile in = openSource(source);
    createFolderOf(destination);
    QFile out(destination);
    if (platform::isReadOnly(destination.toStdString()) ||
        !out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        cannotCreate(destination);
    copyContents(in, out, {});
    platform::copyModificationTime(source.toStdString(), destination.toStdString());
}

StagedFileCopy::StagedFileCopy(const QString& source, const QString& destination,
                               const CopyProgress& progress)
    : destination_(destination) {
    platform::ReadableFile in = openSource(source);
    createFolderOf(destination);
    // A rename would replace a read-only file without asking: refuse it as an overwrite would.
    const std::string target = destination.toStdString();
    if (platform::folderExists(target) || platform::isReadOnly(target))
        cannotCreate(destination);
    QFile out;
    temporary_ = createTemporaryFor(destination, out);
    try {
        copyContents(in, out, progress);
    } catch (...) {
        out.close();
        QFile::remove(temporary_);
        throw;
    }
    platform::copyModificationTime(source.toStdString(), temporary_.toStdString());
}

StagedFileCopy::~StagedFileCopy() {
    if (!committed_)
        QFile::remove(temporary_);
}

void StagedFileCopy::commit() {
    if (committed_)
        return;
    if (platform::renameFile(temporary_.toStdString(), destination_.toStdString()).failed())
        cannotCreate(destination_);
    committed_ = true;
}

} // namespace ronvalo
