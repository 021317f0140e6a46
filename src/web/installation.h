// The installation the service serves: its folder of table files, or the server its setting
// names. Every thread reads through a data module of its own, opened read-only on its first
// request and kept; changes to the accounts go through a writable module opened for the change.
#pragma once

#include <QString>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace ronvalo {
class TDM3;
}

namespace ronvalo::web {

class Installation {
public:
    // `folder`: the installation's folder; `server`: the libpq connection string of the tables'
    // server, empty for the files in the folder's db/.
    Installation(const QString& folder, const QString& server);
    ~Installation();
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;

    // Opens the tables once for writing, so that an installation from before the accounts gets
    // their table. Raises EDatabaseError when they cannot be opened.
    void prepare();
    // This thread's reading module, opened now if it is not yet. Raises EDatabaseError.
    TDM3& reading();
    // Closes this thread's module (after a failure, and as the thread ends): the next request
    // opens it anew, so that a server back after a break is used again.
    void dropReading();
    // A writable module of the caller's, opened now. Raises EDatabaseError.
    std::unique_ptr<TDM3> writing() const;

    // Where the tables are, for the service's log.
    const QString& databaseFolder() const { return databaseFolder_; }
    const QString& server() const { return server_; }

private:
    std::unique_ptr<TDM3> open(bool readOnly) const;

    QString databaseFolder_;
    QString server_;
    std::mutex mutex_;
    std::map<std::thread::id, std::unique_ptr<TDM3>> modules_;
};

} // namespace ronvalo::web
