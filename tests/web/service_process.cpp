// The service as a process of the test's own.
#include "service_process.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTcpServer>
#include <QThread>

namespace ronvalo::web::test {

int freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

ServiceProcess::ServiceProcess(const QString& folder, const QStringList& extra) {
    const int port = freePort();
    process_.setStandardErrorFile(logFolder_.filePath(QStringLiteral("log")));
    process_.start(QStringLiteral(RONVALO_BIN_DIR "/ronvalo-web"),
                   QStringList{QStringLiteral("--folder"), folder, QStringLiteral("--port"),
                               QString::number(port)} +
                       extra);
    if (!process_.waitForStarted(10000))
        return;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 60000 && process_.state() == QProcess::Running) {
        process_.waitForReadyRead(200);
        if (process_.readAllStandardOutput().contains("http://")) {
            port_ = port;
            return;
        }
    }
}

ServiceProcess::~ServiceProcess() {
    if (process_.state() == QProcess::Running) {
        process_.terminate();
        if (!process_.waitForFinished(20000))
            process_.kill();
        process_.waitForFinished(5000);
    }
}

QString ServiceProcess::log() {
    QFile file(logFolder_.filePath(QStringLiteral("log")));
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

TestBrowser::TestBrowser(int port) : client_("127.0.0.1", port) {
    client_.set_read_timeout(120, 0);
}

httplib::Result TestBrowser::logIn(const SiteLogin& login) {
    httplib::Result result =
        client_.Post("/logowanie", httplib::Params{{"login", login.login.toStdString()},
                                                   {"haslo", login.password.toStdString()}});
    if (result && result->has_header("Set-Cookie"))
        cookie_ = QString::fromStdString(result->get_header_value("Set-Cookie")).section(';', 0, 0);
    return result;
}

httplib::Result TestBrowser::get(const QString& path) {
    return client_.Get(path.toStdString(), httplib::Headers{{"Cookie", cookie_.toStdString()}});
}

httplib::Result TestBrowser::post(const QString& path, httplib::Params form,
                                  const std::optional<QString>& token) {
    QString formToken = token.value_or(QString());
    if (!token) {
        const httplib::Result page = get(QStringLiteral("/"));
        static const QRegularExpression field(
            QStringLiteral("name=\"token\" value=\"([0-9a-f]+)\""));
        if (page)
            formToken = field.match(QString::fromStdString(page->body)).captured(1);
    }
    form.emplace("token", formToken.toStdString());
    return client_.Post(path.toStdString(), httplib::Headers{{"Cookie", cookie_.toStdString()}},
                        form);
}

} // namespace ronvalo::web::test
