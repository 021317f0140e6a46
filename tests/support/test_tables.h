// Empty tables for a test on either engine: the local files in a temporary folder, or a new
// database on the tests' own PostgreSQL server; and the data module pointed at them.
#pragma once

#include "support/temp_folder.h"

#include <QString>
#include <gtest/gtest.h>
#include <string>

namespace ronvalo {
class TDM3;
}

namespace ronvalo::test {

enum class Engine { Files, Server };

class TestTables {
public:
    // Makes the tables; a failure is a fatal test failure (check ready()).
    explicit TestTables(Engine engine);

    bool ready() const { return ready_; }
    Engine engine() const { return engine_; }
    // The installation's folder (ending in "/"): it holds db/ on the files' engine, and txt/ and
    // the service log on both.
    QString base() const { return folder_.base(); }
    // The server's connection string; empty on the files' engine.
    const QString& server() const { return server_; }

    // Points the module at the tables (not yet opened).
    void point(TDM3& dm) const;

private:
    Engine engine_;
    TempFolder folder_;
    QString server_;
    bool ready_ = false;
};

// A new database on the tests' own server with the program's tables: its connection string, or
// an empty text with `error` set.
QString newServerTables(QString* error);

// A site's login role, new, in the sites' group, made through the administrator's connection
// string `admin`: the same string logging in as that role, or an empty text with `error` set.
QString newSiteLogin(const QString& admin, QString* error);
// The same in the group role `group` (the web service's, say).
QString newLogin(const QString& admin, const QString& group, QString* error);

// "Baza" in the settings hive the environment names (RONVALO_REGISTRY).
void setServerSetting(const QString& connectionString);

// "Files" or "Server", for parameterised test names.
std::string engineName(const ::testing::TestParamInfo<Engine>& info);

} // namespace ronvalo::test
