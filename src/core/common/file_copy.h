// Copying one file to a named destination, keeping its modification time.
#pragma once

#include <QString>
#include <functional>

#include "platform/atomic_file.h"

namespace ronvalo {

// Called between blocks of a long copy (to let the window repaint, for instance).
using CopyProgress = std::function<void()>;

// Copies `source` over `destination`, creating the destination's missing folders, and gives it
// the source's modification time. The copy is made aside and renamed over the destination, so a
// copy failing half-way leaves the destination as it was. Raises "Cannot open file %s" (source),
// "Cannot create file %s" (destination, a read-only one included), "Stream read error" or
// "Stream write error".
void copyFileKeepingTime(const QString& source, const QString& destination);

// A copy of `source` made under a temporary name beside `destination` and renamed over it by
// commit(), so that a copy failing half-way never damages the file it was to replace. The
// temporary name begins with "." and is unique in the folder. Dropped without commit(), the
// temporary file is removed and the destination stays as it was.
class StagedFileCopy {
public:
    // Copies the whole file, with the errors of copyFileKeepingTime; a read-only destination
    // or a folder of that name is refused with "Cannot create file %s" before anything is
    // written.
    StagedFileCopy(const QString& source, const QString& destination,
                   const CopyProgress& progress = {});
    StagedFileCopy(const StagedFileCopy&) = delete;
    StagedFileCopy& operator=(const StagedFileCopy&) = delete;

    // Puts the copy in place. "Cannot create file %s" (the destination) when the rename fails.
    void commit();

private:
    QString destination_;
    platform::AtomicFile file_;
};

} // namespace ronvalo
