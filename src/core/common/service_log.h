// The service log "serwis.log": one CP1250 line per significant action, rotated past 500000 bytes.
#pragma once

#include <QString>
#include <functional>
#include <string>

namespace ronvalo {

// Writes one line of the service log; what the windows and the import are handed to log with.
using LogWriter = std::function<void(const QString& message)>;

class ServiceLog {
public:
    static constexpr long long sizeLimit = 500000;

    // Binds the log to base folder + "serwis.log"; the previous generation is "serwis.001".
    explicit ServiceLog(const QString& baseFolder);

    // Rotates when needed, then appends one line: date and time, two blanks, the message, CR LF.
    // Every failure raises EInOutError naming it; nothing stays open between lines.
    void WriteLog(const QString& message);

    const std::string& fileName() const { return file_; }
    const std::string& previousFileName() const { return previous_; }

private:
    void RotateLog();
    void moveToPrevious();
    std::string file_;
    std::string previous_;
};

} // namespace ronvalo
