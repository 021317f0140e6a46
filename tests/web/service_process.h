// ronvalo-web serving a test's installation on 127.0.0.1 as a process of its own, stopped at the
// end of the test; and a client of it that logs in as a browser would.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <httplib.h>
#include <memory>

#include "site_fixture.h"

namespace ronvalo::web::test {

class ServiceProcess {
public:
    // Starts the service on a free port for the installation in `folder`; ok() tells whether it
    // answers, output() what it wrote.
    explicit ServiceProcess(const QString& folder, const QStringList& extra = {});
    ~ServiceProcess();

    bool ok() const { return port_ != 0; }
    int port() const { return port_; }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1").arg(port_); }
    // Everything the service wrote to stderr (its log) so far.
    QString log();

private:
    QProcess process_;
    int port_ = 0;
    // The service's log goes to a file, never into a pipe nobody empties: a full pipe would
    // stop every thread of the service at its next log line.
    QTemporaryDir logFolder_;
};

// A client with its own cookie: logs in, then asks with the session cookie.
class TestBrowser {
public:
    explicit TestBrowser(int port);
    // The answer of the login page; the session cookie kept when it was accepted.
    httplib::Result logIn(const SiteLogin& login);
    httplib::Result get(const QString& path);
    // A form posted with the session's form token (read from "/") unless `token` is given.
    httplib::Result post(const QString& path, httplib::Params form,
                         const std::optional<QString>& token = std::nullopt);
    QString cookie() const { return cookie_; }
    void setCookie(const QString& cookie) { cookie_ = cookie; }

private:
    httplib::Client client_;
    QString cookie_;
};

// A free port on 127.0.0.1 at this moment.
int freePort();

} // namespace ronvalo::web::test
