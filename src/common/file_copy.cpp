// The file copy with the system's error texts, in place or through a temporary file.
#include "common/file_copy.h"

#include <QFile>
#include <QFileInfo>

#include "common/exception.h"
#include "platform/files.h"

namespace ronvalo {

namespace {

constexpr qint64 blockSize = 64 * 1024;

[[noreturn]] void cannotCreate(const QString& path) {
    throw EFCreateError(QStringLiteral("Cannot create file %1").arg(path));
}

[[noreturn]] void writeFailed() {
    throw EWriteError(QStringLiteral("Stream write error"));
}

// The source is opened denying others write access: a file another program is writing (a table
// in the middle of a transaction) would be copied half old, half new.
void openSource(QFile& in) {
    if (QFileInfo(in.fileName()).isDir() || !in.open(QIODevice::ReadOnly) ||
        platform::lockedForWritingByOther(in.fileName().toStdString()))
        throw EFOpenError(QStringLiteral("Cannot open file %1").arg(in.fileName()));
}

void createFolderOf(const QString& path) {
    platform::createFolders(QFileInfo(path).absolutePath().toStdString());
}

// Block by block until a block comes back short; the destination is flushed to the disk and
// closed, so that a rename that follows never puts an unwritten file in place.
void copyContents(QFile& in, QFile& out, const CopyProgress& progress) {
    QByteArray block(blockSize, Qt::Uninitialized);
    for (;;) {
        const qint64 got = in.read(block.data(), blockSize);
        if (got < 0)
            throw EReadError(QStringLiteral("Stream read error"));
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
    if (out.error() != QFileDevice::NoError || platform::syncToDisk(out.fileName().toStdString()))
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
    QFile in(source);
    openSource(in);
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
    QFile in(source);
    openSource(in);
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
    if (!platform::renameFile(temporary_.toStdString(), destination_.toStdString()))
        cannotCreate(destination_);
    committed_ = true;
}

} // namespace ronvalo
