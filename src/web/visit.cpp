// Answers of the pages.
#include "web/visit.h"

namespace ronvalo::web {

QString Visit::param(const char* name) const {
    return QString::fromStdString(request.get_param_value(name));
}

bool Visit::hasParam(const char* name) const {
    return request.has_param(name);
}

void sendHtml(httplib::Response& response, const QString& html, int status) {
    response.status = status;
    response.set_content(html.toStdString(), "text/html; charset=utf-8");
}

void sendPage(Visit& visit, const QString& current, const QString& title, const QString& body,
              int status) {
    sendHtml(visit.response, htmlPage(visit.frame(current), title, body), status);
}

void sendFile(Visit& visit, const QByteArray& bytes, const char* contentType,
              const QString& fileName) {
    visit.response.status = 200;
    visit.response.set_header(
        "Content-Disposition",
        QStringLiteral("attachment; filename=\"%1\"").arg(fileName).toStdString());
    visit.response.set_content(bytes.toStdString(), contentType);
}

void redirect(httplib::Response& response, const QString& to) {
    response.status = 303;
    response.set_header("Location", to.toStdString());
}

void sendNotFound(Visit& visit) {
    sendPage(visit, QString(), QStringLiteral("Nie znaleziono"),
             QStringLiteral("<p class=\"error\">%1</p>").arg(notFoundText), 404);
}

} // namespace ronvalo::web
