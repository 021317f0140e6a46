// command-recorder.exe: stands in, in a Wine prefix, for a Windows command that Wine has only as a
// dummy (icacls), or for a file a user planted (an old installation's uninstall.exe). It appends
// the command line it was started with to C:\commands.log, one UTF-8 line each, and exits with 0,
// or with 5 (access denied) while C:\commands.fail exists. The Wine checks read the log to see
// what an installer ran, from where, and how it takes a failure.
#include <string>
#include <windows.h>

namespace {

class File {
public:
    explicit File(HANDLE handle) : handle_(handle) {}
    ~File() {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

std::string toUtf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(size > 0 ? size - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), size, nullptr, nullptr);
    return bytes;
}

} // namespace

int main() {
    const std::string line = toUtf8(GetCommandLineW()) + "\r\n";
    const File log(CreateFileW(L"C:\\commands.log", FILE_APPEND_DATA,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (log.get() == INVALID_HANDLE_VALUE ||
        !WriteFile(log.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr))
        return 1;
    return GetFileAttributesW(L"C:\\commands.fail") == INVALID_FILE_ATTRIBUTES ? 0 : 5;
}
