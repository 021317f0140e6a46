// The file copy with the system's error texts, made aside and renamed over its destination.
#include "core/common/file_copy.h"

#include <QDir>
#include <QFileInfo>

#include "core/common/exception.h"
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

// Block by block until a block comes back short, then flushed to the disk and closed, so that
// the rename that follows never puts an unwritten file in place.
void copyContents(platform::ReadableFile& in, platform::AtomicFile& out,
                  const CopyProgress& progress) {
    QByteArray block(blockSize, Qt::Uninitialized);
    for (;;) {
        const auto read = in.read(block.data(), blockSize);
        if (!read)
            throw EReadError(QStringLiteral("Stream read error"));
        if (out.write(std::string_view(block.constData(), *read)).failed())
            writeFailed();
        if (static_cast<qint64>(*read) < blockSize)
            break;
        if (progress)
            progress();
    }
    if (out.prepare().failed())
        writeFailed();
}

} // namespace

void copyFileKeepingTime(const QString& source, const QString& destination) {
    StagedFileCopy(source, destination).commit();
}

StagedFileCopy::StagedFileCopy(const QString& source, const QString& destination,
                               const CopyProgress& progress)
    : destination_(destination) {
    platform::ReadableFile in = openSource(source);
    createFolderOf(destination);
    if (file_.open(destination.toStdString()).failed())
        cannotCreate(destination);
    copyContents(in, file_, progress);
    platform::copyModificationTime(source.toStdString(), file_.temporaryPath());
}

void StagedFileCopy::commit() {
    if (file_.commit().failed())
        cannotCreate(destination_);
}

} // namespace ronvalo
