// The part of a file's replacement every system shares: the temporary file's name, the refusals,
// and the order open, write, flush, rename.
#include "platform/atomic_file.h"

#include <utility>

#include "platform/files.h"

namespace ronvalo::platform {

namespace {

// Numbers tried for the temporary file's name: room for leftovers of interrupted runs and for
// every program that may replace the same file at once.
constexpr int temporaryNumbers = 1000;

} // namespace

AtomicFile::AtomicFile() = default;

AtomicFile::~AtomicFile() {
    discard();
}

OsError AtomicFile::open(const std::string& target) {
    discard();
    // A rename would replace a read-only file without asking, and a folder cannot be replaced.
    if (folderExists(target) || isReadOnly(target))
        return fail(OsError::accessDenied());
    const std::size_t start = nameStart(target);
    const std::string prefix = target.substr(0, start) + "." + target.substr(start) + ".";
    OsError error;
    for (int number = 0; number < temporaryNumbers; ++number) {
        const std::string name = prefix + std::to_string(number) + ".tmp";
        file_ = createNew(name, error);
        if (file_) {
            target_ = target;
            temporary_ = name;
            return {};
        }
        if (!nameTaken(error, name))
            break;
    }
    return fail(error);
}

OsError AtomicFile::write(std::string_view bytes) {
    if (failure_.failed())
        return failure_;
    if (!file_)
        return fail(OsError::accessDenied()); // not open, or prepared already
    return fail(writeAll(*file_, bytes));
}

OsError AtomicFile::prepare() {
    if (failure_.failed())
        return failure_;
    if (file_)
        return fail(flushAndClose(std::move(file_)));
    if (temporary_.empty())
        return fail(OsError::accessDenied()); // never opened, or committed already
    return {};
}

OsError AtomicFile::commit() {
    if (committed_)
        return {};
    if (const OsError error = prepare(); error.failed())
        return error;
    if (const OsError error = replace(temporary_, target_); error.failed())
        return fail(error);
    committed_ = true;
    temporary_.clear();
    return {};
}

// Keeps the first failure, which every later step reports; success passes through.
OsError AtomicFile::fail(OsError error) {
    if (!failure_.failed())
        failure_ = error;
    return error;
}

void AtomicFile::discard() {
    file_.reset();
    if (!temporary_.empty())
        deleteFile(temporary_);
    target_.clear();
    temporary_.clear();
    failure_ = {};
    committed_ = false;
}

} // namespace ronvalo::platform
