// Writing and rotating the service log.
#include "core/common/service_log.h"

#include "core/common/clock.h"
#include "core/common/cp1250.h"
#include "core/common/file_copy.h"
#include "core/common/io_error.h"
#include "core/common/regional.h"
#include "platform/files.h"

namespace ronvalo {

ServiceLog::ServiceLog(const QString& baseFolder)
    : file_((baseFolder + "serwis.log").toStdString()),
      previous_((baseFolder + "serwis.001").toStdString()) {}

void ServiceLog::RotateLog() {
    if (!platform::fileExists(file_)) {
        if (const auto error = platform::createEmptyFile(file_); error.failed())
            raiseInOutError(error);
        return;
    }
    if (platform::fileSize(file_) > sizeLimit) {
        if (platform::fileExists(previous_))
            platform::deleteFile(previous_); // a failure shows later, if at all
        moveToPrevious();
        if (const auto error = platform::createEmptyFile(file_); error.failed())
            raiseInOutError(error);
    }
}

// Rename; when that fails, copy (keeping the time stamp) and delete, which reports its errors.
void ServiceLog::moveToPrevious() {
    if (!platform::renameFile(file_, previous_).failed())
        return;
    if (platform::fileSize(file_) < 0)
        return; // attributes cannot be read: leave it
    if (platform::isReadOnly(file_))
        platform::setReadOnly(file_, false);
    copyFileKeepingTime(QString::fromStdString(file_), QString::fromStdString(previous_));
    platform::deleteFile(file_);
}

void ServiceLog::WriteLog(const QString& message) {
    RotateLog();
    const QString line = RegionalFormats::fromEnvironment().formatDateTime(Clock::now()) +
                         QStringLiteral("  ") + message + QStringLiteral("\r\n");
    const QByteArray bytes = toCp1250(line);
    if (const auto error =
            platform::appendToFile(file_, std::string_view(bytes.constData(), bytes.size()));
        error.failed())
        raiseInOutError(error);
}

} // namespace ronvalo
