// The pages in a real browser: Debian's Chromium driven through its WebDriver against the service
// on 127.0.0.1, on both engines; the screenshots stay in the build folder to be looked at.
#include <QProcess>

#include "served_site.h"

using namespace ronvalo;
using namespace ronvalo::test;
using namespace ronvalo::web::test;

namespace {

using BrowserTest = ServedSite;

TEST_P(BrowserTest, EveryPageAsAPersonUsesIt) {
    const QString shots = QStringLiteral(RONVALO_BIN_DIR "/../web-shots/") +
                          QString::fromStdString(engineName({GetParam(), 0}));
    QProcess script;
    script.setProcessChannelMode(QProcess::MergedChannels);
    // Debian's own Python, which holds Debian's Selenium.
    script.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(RONVALO_TEST_DATA "/../web/browser/pages.py"),
                  QStringLiteral("--url"), service->url(), QStringLiteral("--shots"), shots,
                  QStringLiteral("--verify"), QStringLiteral(RONVALO_BIN_DIR "/ronvalo-verify"),
                  QStringLiteral("--foreign-download"), QString::number(downloads[1].front())});
    ASSERT_TRUE(script.waitForFinished(240000));
    EXPECT_EQ(script.exitCode(), 0) << script.readAll().toStdString() << "\n"
                                    << service->log().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Engines, BrowserTest, ::testing::Values(Engine::Files, Engine::Server),
                         engineName);

} // namespace
