// A file's replacement on Windows: a new file, FlushFileBuffers, and MoveFileEx writing through.
// Wide-character calls, so that any Unicode path works.
#include "platform/atomic_file.h"

#include <utility>

#include "platform/handle_win32.h"
#include "platform/text_win32.h"

namespace ronvalo::platform {

struct AtomicFile::File {
    explicit File(HANDLE file) : handle(file) {}
    ~File() {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
    HANDLE handle;
};

// Only this file knows what a File is, so only here can one be deleted.
void AtomicFile::FileCloser::operator()(File* file) const {
    std::default_delete<File>()(file);
}

// CREATE_NEW refuses any entry of that name, a link included, so nothing is opened through one.
// Others may read the file while it is written (a virus scanner does) and delete it, never write
// it.
AtomicFile::FilePtr AtomicFile::createNew(const std::string& path, OsError& error) {
    const HANDLE handle =
        CreateFileW(toWide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = OsError::last();
        return nullptr;
    }
    return FilePtr(std::make_unique<File>(handle).release());
}

// A folder of that name, or a file deleted while another program still has it open, is refused
// as access denied rather than as existing.
bool AtomicFile::nameTaken(const OsError& error, const std::string& path) {
    const auto code = static_cast<DWORD>(error.code());
    if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS)
        return true;
    return error.kind() == OsErrorKind::AccessDenied &&
           GetFileAttributesW(toWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

OsError AtomicFile::writeAll(File& file, std::string_view bytes) {
    return platform::writeAll(file.handle, bytes);
}

OsError AtomicFile::flushAndClose(FilePtr file) {
    OsError error = FlushFileBuffers(file->handle) ? OsError() : OsError::last();
    // Closed here rather than by the File, so that a failed close is reported too.
    if (!CloseHandle(std::exchange(file->handle, INVALID_HANDLE_VALUE)) && !error.failed())
        error = OsError::last();
    return error;
}

// MOVEFILE_WRITE_THROUGH returns only once the rename is on the disk. A target another program
// holds open is tried again for a while (moveReplacing).
OsError AtomicFile::replace(const std::string& from, const std::string& to) {
    return moveReplacing(from, to, MOVEFILE_WRITE_THROUGH);
}

std::size_t AtomicFile::nameStart(const std::string& path) {
    return path.find_last_of("\\/") + 1; // npos + 1 is 0: a bare name
}

} // namespace ronvalo::platform
