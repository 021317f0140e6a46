// A filled installation on either engine with the service serving it, for the tests of pages.
#pragma once

#include <gtest/gtest.h>
#include <memory>

#include "core/store/data_module.h"
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
        service = std::make_unique<ServiceProcess>(tables.base());
        ASSERT_TRUE(service->ok()) << service->log().toStdString();
    }
};

} // namespace ronvalo::web::test
