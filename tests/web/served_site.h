// A filled installation on either engine with the service serving it, for the tests of pages.
#pragma once

#include <gtest/gtest.h>
#include <memory>

#include "core/store/data_module.h"
#include "core/store/server_rights.h"
#include "service_process.h"
#include "site_fixture.h"
#include "support/temp_folder.h"
#include "support/test_tables.h"

namespace ronvalo::web::test {

struct ServedSite : ::testing::TestWithParam<ronvalo::test::Engine> {
    ronvalo::test::TestTables tables{GetParam()};
    ronvalo::test::ScopedEnv hive{"RONVALO_REGISTRY", tables.base().toUtf8() + "hive.reg"};
    QList<QList<qint32>> downloads;
    std::unique_ptr<ServiceProcess> service;

    void SetUp() override {
        ASSERT_TRUE(tables.ready());
        if (GetParam() == ronvalo::test::Engine::Server)
            ronvalo::test::setServerSetting(tables.server());
        {
            TDM3 dm;
            tables.point(dm);
            dm.openTables();
            downloads = fillSite(dm);
        }
        // On a server the service logs in with a role of the web service's group, as the head
        // office runs it: it reads every table and writes the accounts alone.
        if (GetParam() == ronvalo::test::Engine::Server) {
            QString error;
            const QString web = ronvalo::test::newLogin(tables.server(), webGroupRole, &error);
            ASSERT_FALSE(web.isEmpty()) << error.toStdString();
            ronvalo::test::setServerSetting(web);
        }
        service = std::make_unique<ServiceProcess>(tables.base());
        ASSERT_TRUE(service->ok()) << service->log().toStdString();
    }
};

} // namespace ronvalo::web::test
