// The file copy with the system's error texts.
#include "common/file_copy.h"

#include <QFile>
#include <QFileInfo>

#include "common/exception.h"
#include "platform/files.h"

namespace ronvalo {

namespace {
constexpr qint64 blockSize = 64 * 1024;
}

void copyFileKeepingTime(const QString& source, const QString& destination) {
    QFile in(source);
    if (QFileInfo(source).isDir() || !in.open(QIODevice::ReadOnly))
        throw EFOpenError(QStringLiteral("Cannot open file %1").arg(source));
    platform::createFolders(QFileInfo(destination).absolutePath().toStdString());
    QFile out(destination);
    if (platform::isReadOnly(destination.toStdString()) ||
        !out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw EFCreateError(QStringLiteral("Cannot create file %1").arg(destination));
    QByteArray block(blockSize, Qt::Uninitialized);
    for (;;) {
        const qint64 got = in.read(block.data(), blockSize);
        if (got < 0)
            throw EReadError(QStringLiteral("Stream read error"));
        if (got > 0 && out.write(block.constData(), got) != got)
            throw EWriteError(QStringLiteral("Stream write error"));
        if (got < blockSize)
            break;
    }
    if (!out.flush())
        throw EWriteError(QStringLiteral("Stream write error"));
    out.close();
    platform::copyModificationTime(source.toStdString(), destination.toStdString());
}

} // namespace ronvalo
