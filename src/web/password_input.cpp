// Reading a password without showing it: the terminal's echo off while the line is typed, and
// back on whatever happens.
#include "web/password_input.h"

#include <termios.h>
#include <unistd.h>

#include "web/account_rules.h"

namespace ronvalo::web {

namespace {

// The terminal's echo switched off for the object's lifetime.
class EchoOff {
public:
    explicit EchoOff(int fd) : fd_(fd) {
        if (tcgetattr(fd_, &saved_) != 0)
            return;
        termios quiet = saved_;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        quiet.c_lflag |= ECHONL;
        active_ = tcsetattr(fd_, TCSAFLUSH, &quiet) == 0;
    }
    ~EchoOff() {
        if (active_)
            tcsetattr(fd_, TCSANOW, &saved_);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    int fd_;
    termios saved_{};
    bool active_ = false;
};

// One line of at most `limit` bytes, its end of line dropped; nullopt at the input's end or when
// the line is longer.
std::optional<QByteArray> readLine(std::FILE* input, qsizetype limit) {
    QByteArray line;
    for (int c = std::fgetc(input); c != EOF; c = std::fgetc(input)) {
        if (c == '\n') {
            if (line.endsWith('\r'))
                line.chop(1);
            return line;
        }
        if (line.size() > limit)
            return std::nullopt;
        line.append(static_cast<char>(c));
    }
    // A last line without its end of line is a line all the same.
    if (line.isEmpty())
        return std::nullopt;
    return line;
}

} // namespace

std::optional<QString> readPasswordLine(std::FILE* input, const char* prompt) {
    const int fd = fileno(input);
    std::optional<QByteArray> line;
    if (isatty(fd)) {
        // Echo off before the prompt: whatever is typed once it shows stays unseen.
        EchoOff quiet(fd);
        std::fputs(prompt, stderr);
        std::fflush(stderr);
        line = readLine(input, maxPasswordBytes + 1);
    } else {
        line = readLine(input, maxPasswordBytes + 1);
    }
    if (!line)
        return std::nullopt;
    return QString::fromUtf8(*line);
}

} // namespace ronvalo::web
