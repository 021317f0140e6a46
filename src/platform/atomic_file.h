// Replacing a file whole: the new content is written to a temporary file beside it, flushed to
// the disk and renamed over it, so that a reader, a crash or a failed write meets the old file or
// the new one, never a part of either. Paths are UTF-8. Plain C++, no Qt.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/os_error.h"

namespace ronvalo::platform {

// One replacement of one file. Used in one go (open, write, commit) or in two phases: prepare()
// does everything that can fail but the rename, so that a caller can check it before a step it
// cannot undo and leave only commit() for after. A failure sticks: every later call returns the
// first one, so a caller may check only the last call, and a file with a lost write never
// replaces the target. An object that goes without a commit removes its temporary file and
// leaves the target as it was.
class AtomicFile {
public:
    AtomicFile();
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates a new temporary file in the target's folder, named "." + the target's name + "." +
    // a number + ".tmp": the number is the first one free, and nothing already there is opened,
    // a link least of all. On POSIX its mode is 0666 less the umask, as any new file's, so that a
    // group sharing the target keeps its rights. A folder or a read-only file in the target's
    // place is refused with access denied, as every writer of this layer refuses it.
    OsError open(const std::string& target);
    // Appends to the temporary file.
    OsError write(std::string_view bytes);
    // Flushes the temporary file to the disk and closes it; no write is taken after.
    OsError prepare();
    // Prepares when not done yet, then renames the temporary file over the target (Windows: write
    // through, and a target another program holds open is tried again for about two seconds).
    // A second commit does nothing.
    OsError commit();

    // Where the content is until the commit: for a caller that sets the file's attributes.
    const std::string& temporaryPath() const { return temporary_; }

private:
    void discard();
    OsError fail(OsError error);

    // The system's part, in atomic_file_posix.cpp and atomic_file_win32.cpp.
    struct File; // an open file: a descriptor or a handle
    struct FileCloser {
        void operator()(File* file) const;
    };
    using FilePtr = std::unique_ptr<File, FileCloser>;
    // Creates `path` only when nothing has that name; nothing at all on failure.
    static FilePtr createNew(const std::string& path, OsError& error);
    // The failure createNew gives for a name that is taken.
    static bool nameTaken(const OsError& error, const std::string& path);
    static OsError writeAll(File& file, std::string_view bytes);
    static OsError flushAndClose(FilePtr file);
    static OsError replace(const std::string& from, const std::string& to);
    // Where the name begins in a path: past the last separator.
    static std::size_t nameStart(const std::string& path);

    FilePtr file_; // from open() to prepare()
    std::string target_;
    std::string temporary_; // while the temporary file exists
    OsError failure_;       // the first since open()
    bool committed_ = false;
};

} // namespace ronvalo::platform
