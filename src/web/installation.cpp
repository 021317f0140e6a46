// The installation's tables, a module per thread.
#include "web/installation.h"

#include <QDir>

#include "core/common/base_folder.h"
#include "core/store/data_module.h"

namespace ronvalo::web {

Installation::Installation(const QString& folder, const QString& server)
    : databaseFolder_(
          ronvalo::databaseFolder(QDir::fromNativeSeparators(folder) + QLatin1Char('/'))),
      server_(server) {}

Installation::~Installation() = default;

std::unique_ptr<TDM3> Installation::open(bool readOnly) const {
    auto dm = std::make_unique<TDM3>();
    dm->setReadOnly(readOnly);
    dm->setDatabaseFolder(databaseFolder_);
    dm->setServer(server_);
    dm->openTables();
    return dm;
}

void Installation::prepare() {
    open(false);
}

TDM3& Installation::reading() {
    const std::thread::id self = std::this_thread::get_id();
    {
        std::lock_guard lock(mutex_);
        if (const auto it = modules_.find(self); it != modules_.end())
            return *it->second;
    }
    // Opened outside the lock: a server that takes seconds to answer delays this thread only.
    std::unique_ptr<TDM3> dm = open(true);
    std::lock_guard lock(mutex_);
    return *modules_.emplace(self, std::move(dm)).first->second;
}

void Installation::dropReading() {
    std::unique_ptr<TDM3> mine;
    {
        std::lock_guard lock(mutex_);
        const auto it = modules_.find(std::this_thread::get_id());
        if (it == modules_.end())
            return;
        mine = std::move(it->second);
        modules_.erase(it);
    }
    // Closed here, in the thread whose connection it is.
}

std::unique_ptr<TDM3> Installation::writing() const {
    return open(false);
}

} // namespace ronvalo::web
