// veruru-sim: plays the VERURU instrument on a pseudo-terminal, sending a dump at 9600 baud's pace.
#include "veruru_sim_dump.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <iterator>
#include <poll.h>
#include <random>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// 9600 baud with one start and one stop bit is 960 bytes a second: 48 bytes every 50 ms.
constexpr std::size_t ChunkBytes = 48;
constexpr auto ChunkPeriod = 50ms;

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int) {
    stopRequested = 1;
}

const char Usage[] =
    "usage: veruru-sim [options] DUMP\n"
    "       veruru-sim --noise [options]\n"
    "Makes a pseudo-terminal and sends DUMP through it as the instrument does, 48 bytes\n"
    "every 50 ms (9600 baud). Prints the terminal's path on the first line of output.\n"
    "Each Enter on standard input is one TRANSFER; end input (Ctrl-D) or Ctrl-C to quit.\n"
    "  --link PATH            also make PATH a symbolic link to the terminal\n"
    "  --device PATH          send through this terminal instead (a serial line, one end\n"
    "                         of a bridge); it cannot tell when the port is opened, so\n"
    "                         --auto and --noise begin at once\n"
    "  --auto N               once the port is opened, send N transmissions, then quit\n"
    "                         when the port is closed\n"
    "  --gap MS               pause before each automatic transmission (default 2000)\n"
    "  --corrupt-byte P:O     in transmission P (from 1) change the byte at offset O (from 0)\n"
    "  --corrupt-line P:L     in transmission P change line L (from 0)\n"
    "  --clock-now            set the clock line (line 2) to the current date and time\n"
    "  --noise                once the port is opened, send random bytes until stopped\n";

struct Options {
    std::string dumpPath;
    std::string linkPath;
    std::string devicePath;
    int autoCount = 0;
    int gapMs = 2000;
    bool noise = false;
    veruru_sim::Alterations alterations;
};

[[noreturn]] void fail(const std::string& message) {
    std::cerr << "veruru-sim: " << message << '\n';
    std::exit(2);
}

int parseCount(const std::string& text, const char* option) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < 0 || value > 100000000)
        fail(std::string("bad number for ") + option + ": " + text);
    return static_cast<int>(value);
}

Options parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                fail(arg + " needs a value");
            return argv[++i];
        };
        int pass = 0;
        std::size_t index = 0;
        if (arg == "--help" || arg == "-h") {
            std::cout << Usage;
            std::exit(0);
        } else if (arg == "--link") {
            options.linkPath = value();
        } else if (arg == "--device") {
            options.devicePath = value();
        } else if (arg == "--auto") {
            options.autoCount = parseCount(value(), "--auto");
        } else if (arg == "--gap") {
            options.gapMs = parseCount(value(), "--gap");
        } else if (arg == "--corrupt-byte") {
            if (!veruru_sim::parsePassAndIndex(value(), pass, index))
                fail("--corrupt-byte wants PASS:OFFSET");
            options.alterations.bytes.push_back({pass, index});
        } else if (arg == "--corrupt-line") {
            if (!veruru_sim::parsePassAndIndex(value(), pass, index))
                fail("--corrupt-line wants PASS:LINE");
            options.alterations.lines.push_back({pass, index});
        } else if (arg == "--clock-now") {
            options.alterations.clockNow = true;
        } else if (arg == "--noise") {
            options.noise = true;
        } else if (!arg.empty() && arg[0] == '-') {
            fail("unknown option " + arg + "\n" + Usage);
        } else if (options.dumpPath.empty()) {
            options.dumpPath = arg;
        } else {
            fail("one dump file only\n" + std::string(Usage));
        }
    }
    if (options.dumpPath.empty() && !options.noise)
        fail(std::string("no dump file\n") + Usage);
    if (!options.devicePath.empty() && !options.linkPath.empty())
        fail("--link names a terminal of its own; --device uses one that exists");
    return options;
}

std::string readDump(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        fail("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The line the instrument sends on: the master side of a pseudo-terminal of its own, and the
// link to its slave while one was asked for; or a terminal that exists (devicePath).
class Terminal {
public:
    Terminal(const std::string& linkPath, const std::string& devicePath) : linkPath_(linkPath) {
        if (!devicePath.empty()) {
            attach(devicePath);
            return;
        }
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
            fail(std::string("cannot make a pseudo-terminal: ") + std::strerror(errno));
        slavePath_ = ptsname(master_);
        prepareSlave();
        if (!linkPath_.empty())
            makeLink();
    }
    ~Terminal() {
        if (!linkPath_.empty()) {
            char target[4096];
            const ssize_t length = readlink(linkPath_.c_str(), target, sizeof target - 1);
            if (length > 0 && std::string(target, static_cast<std::size_t>(length)) == slavePath_)
                unlink(linkPath_.c_str());
        }
        close(master_);
    }
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    const std::string& slavePath() const { return slavePath_; }
    // False on a terminal that exists: who opens its far end cannot be seen from here.
    bool seesThePort() const { return !attached_; }
    // Waits until the bytes written have gone out on the line.
    void drain() { tcdrain(master_); }

    // True while a program holds the slave side open (always on a terminal that exists);
    // drains whatever it wrote.
    bool portOpen() {
        pollfd entry{master_, POLLIN, 0};
        if (poll(&entry, 1, 0) < 0)
            return false;
        if ((entry.revents & POLLHUP) && !attached_)
            return false;
        if (entry.revents & POLLIN) {
            char discard[256];
            while (read(master_, discard, sizeof discard) > 0) {
            }
        }
        return true;
    }

    // Writes all bytes, waiting while the terminal's queue is full. False when stopped.
    bool writeAll(const char* data, std::size_t size) {
        while (size > 0 && !stopRequested) {
            const ssize_t written = write(master_, data, size);
            if (written > 0) {
                data += written;
                size -= static_cast<std::size_t>(written);
            } else if (written < 0 && errno != EAGAIN && errno != EINTR) {
                fail(std::string("write: ") + std::strerror(errno));
            } else {
                std::this_thread::sleep_for(10ms);
            }
        }
        return size == 0;
    }

private:
    // Raw mode from the start, so that nothing sent is echoed or changed before the port is
    // set up; opening and closing the slave once also makes poll() report when nobody holds it.
    void prepareSlave() {
        const int slave = open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (slave < 0)
            fail("cannot open " + slavePath_ + ": " + std::strerror(errno));
        makeRaw(slave);
        close(slave);
    }

    void attach(const std::string& path) {
        master_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (master_ < 0)
            fail("cannot open " + path + ": " + std::strerror(errno));
        makeRaw(master_);
        slavePath_ = path;
        attached_ = true;
    }

    static void makeRaw(int fd) {
        termios tio{};
        if (tcgetattr(fd, &tio) == 0) {
            cfmakeraw(&tio);
            cfsetspeed(&tio, B9600);
            tcsetattr(fd, TCSANOW, &tio);
        }
    }

    void makeLink() {
        struct stat info {};
        if (lstat(linkPath_.c_str(), &info) == 0) {
            if (!S_ISLNK(info.st_mode))
                fail(linkPath_ + " exists and is not a symbolic link");
            unlink(linkPath_.c_str());
        }
        if (symlink(slavePath_.c_str(), linkPath_.c_str()) != 0)
            fail("cannot link " + linkPath_ + ": " + std::strerror(errno));
    }

    std::string linkPath_;
    std::string slavePath_;
    int master_ = -1; // or the descriptor of the terminal that exists
    bool attached_ = false;
};

// Waits for the given time, keeping the terminal drained. False when stopped.
bool pauseFor(Terminal& terminal, std::chrono::milliseconds duration) {
    const auto until = Clock::now() + duration;
    while (!stopRequested && Clock::now() < until) {
        terminal.portOpen();
        std::this_thread::sleep_for(std::min<Clock::duration>(20ms, until - Clock::now()));
    }
    return !stopRequested;
}

// Waits until the port is opened (wanted true) or closed (wanted false). False when stopped.
bool waitForPort(Terminal& terminal, bool wanted) {
    while (!stopRequested && terminal.portOpen() != wanted)
        std::this_thread::sleep_for(20ms);
    return !stopRequested;
}

// Sends bytes in chunks of 48, one every 50 ms.
bool sendPaced(Terminal& terminal, const std::string& bytes) {
    auto next = Clock::now();
    for (std::size_t at = 0; at < bytes.size(); at += ChunkBytes) {
        std::this_thread::sleep_until(next);
        const std::size_t size = std::min(ChunkBytes, bytes.size() - at);
        if (!terminal.writeAll(bytes.data() + at, size))
            return false;
        next += ChunkPeriod;
    }
    return !stopRequested;
}

bool sendTransmission(Terminal& terminal, const std::string& dump, int pass,
                      const veruru_sim::Alterations& alterations) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const std::string bytes = veruru_sim::transmission(dump, pass, alterations, local);
    std::cerr << "TRANSFER " << pass << ": " << bytes.size() << " bytes\n";
    return sendPaced(terminal, bytes);
}

void runNoise(Terminal& terminal) {
    if (!waitForPort(terminal, true))
        return;
    std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<int> byte(0, 255);
    std::string chunk(ChunkBytes, '\0');
    auto next = Clock::now();
    while (!stopRequested) {
        for (char& c : chunk)
            c = static_cast<char>(byte(random));
        if (!terminal.writeAll(chunk.data(), chunk.size()))
            return;
        next += ChunkPeriod;
        std::this_thread::sleep_until(next);
    }
}

void runAutomatic(Terminal& terminal, const std::string& dump, const Options& options) {
    if (!waitForPort(terminal, true))
        return;
    for (int pass = 1; pass <= options.autoCount; ++pass) {
        if (!pauseFor(terminal, std::chrono::milliseconds(options.gapMs)) ||
            !sendTransmission(terminal, dump, pass, options.alterations))
            return;
    }
    // The bytes still queued are lost when the terminal goes: stay until the reader has closed,
    // or on a terminal that exists until they have left.
    if (terminal.seesThePort())
        waitForPort(terminal, false);
    else
        terminal.drain();
}

void runInteractive(Terminal& terminal, const std::string& dump, const Options& options) {
    std::cerr << "Press Enter for TRANSFER, Ctrl-D to quit.\n";
    int pass = 0;
    while (!stopRequested) {
        pollfd input{STDIN_FILENO, POLLIN, 0};
        const int ready = poll(&input, 1, 50);
        terminal.portOpen();
        if (ready <= 0)
            continue;
        char line[256];
        const ssize_t got = read(STDIN_FILENO, line, sizeof line);
        if (got <= 0)
            return;
        for (ssize_t i = 0; i < got; ++i)
            if (line[i] == '\n' && !sendTransmission(terminal, dump, ++pass, options.alterations))
                return;
    }
}

} // namespace

int main(int argc, char** argv) {
    const Options options = parseOptions(argc, argv);
    const std::string dump = options.noise ? std::string() : readDump(options.dumpPath);

    struct sigaction action {};
    action.sa_handler = requestStop;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    Terminal terminal(options.linkPath, options.devicePath);
    std::cout << terminal.slavePath() << std::endl;

    if (options.noise)
        runNoise(terminal);
    else if (options.autoCount > 0)
        runAutomatic(terminal, dump, options);
    else
        runInteractive(terminal, dump, options);
    return 0;
}
