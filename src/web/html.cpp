// HTML of the pages.
#include "web/html.h"

#include "core/rounds/round_colours.h"
#include "web/account_rules.h"

namespace ronvalo::web {

QString esc(const QString& text) {
    return text.toHtmlEscaped().replace(QLatin1Char('\''), QLatin1String("&#39;"));
}

QString tokenField(const QString& formToken) {
    return QStringLiteral("<input type=\"hidden\" name=\"token\" value=\"%1\">")
        .arg(esc(formToken));
}

namespace {

struct MenuItem {
    QString path;
    QString text;
    bool administratorOnly;
};

QString menu(const PageFrame& frame) {
    static const QList<MenuItem> items = {
        {QStringLiteral("/"), QStringLiteral("Przegląd"), false},
        {QStringLiteral("/raport"), QStringLiteral("Raport wyjątków"), false},
        {QStringLiteral("/odbicia"), QStringLiteral("Odbicia"), false},
        {QStringLiteral("/archiwum"), QStringLiteral("Archiwum"), false},
        {QStringLiteral("/konta"), QStringLiteral("Konta"), true},
    };
    QString html = QStringLiteral("<nav>");
    for (const MenuItem& item : items) {
        if (item.administratorOnly && frame.account->role != Role::Administrator)
            continue;
        const QString link = item.path == frame.current
                                 ? QStringLiteral("<a href=\"%1\" aria-current=\"page\">%2</a>")
                                 : QStringLiteral("<a href=\"%1\">%2</a>");
        html += link.arg(item.path, item.text);
    }
    html += QStringLiteral("<form method=\"post\" action=\"/wyloguj\" class=\"logout\">"
                           "<span>%1 (%2)</span>%3<button type=\"submit\">Wyloguj</button>"
                           "</form></nav>")
                .arg(esc(frame.account->login), roleName(frame.account->role),
                     tokenField(frame.formToken));
    return html;
}

} // namespace

QString htmlPage(const PageFrame& frame, const QString& title, const QString& body) {
    return QStringLiteral("<!DOCTYPE html>\n<html lang=\"pl\"><head><meta charset=\"utf-8\">"
                          "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
                          "<title>%1 – Ronvalo 2.2</title>"
                          "<link rel=\"stylesheet\" href=\"/styl.css\"></head><body>%2"
                          "<main><h1>%1</h1>%3</main></body></html>\n")
        .arg(esc(title), frame.account ? menu(frame) : QString(), body);
}

QString htmlTable(const QStringList& titles, const QList<QStringList>& rows,
                  const QStringList& classes) {
    QString html = QStringLiteral("<table><thead><tr>");
    for (const QString& title : titles)
        html += QStringLiteral("<th>%1</th>").arg(esc(title));
    html += QStringLiteral("</tr></thead><tbody>");
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QString& rowClass = i < classes.size() ? classes[i] : QString();
        html += rowClass.isEmpty() ? QStringLiteral("<tr>")
                                   : QStringLiteral("<tr class=\"%1\">").arg(rowClass);
        for (const QString& cell : rows[i])
            html += QStringLiteral("<td>%1</td>").arg(cell);
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</tbody></table>");
}

// A round's row in the colour the window gives it: class "s" and the status's number.
QByteArray roundColours() {
    QByteArray css;
    for (int status = 0; status < roundStatusCount; ++status)
        if (const std::optional<QColor> colour = roundRowColour(RoundStatus(status)))
            css += "tr.s" + QByteArray::number(status) +
                   "{background:" + colour->name().toLatin1() + "}";
    return css + '\n';
}

QByteArray styleSheet() {
    return roundColours() +
           QByteArrayLiteral(
               "body{margin:0;font:14px/1.4 sans-serif;color:#111;background:#f4f4f4}"
               "nav{display:flex;flex-wrap:wrap;gap:4px 16px;align-items:center;padding:8px 16px;"
               "background:#2f4f6f}"
               "nav a{color:#fff;text-decoration:none;padding:4px 2px}"
               "nav a[aria-current]{border-bottom:2px solid #fff;font-weight:bold}"
               "nav .logout{margin-left:auto;color:#dde;display:flex;gap:8px;align-items:center}"
               "main{padding:8px 16px 24px}h1{font-size:20px;margin:8px 0 12px}"
               "h2{font-size:16px;margin:18px 0 8px}"
               "table{border-collapse:collapse;background:#fff;margin:4px 0 8px}"
               "th,td{border:1px solid #bbb;padding:3px 8px;text-align:left;vertical-align:top}"
               "th{background:#e4e4e4}td.n,th.n{text-align:right}"
               ".late{color:#b00000}"
               "form.choices{display:flex;flex-wrap:wrap;gap:8px 16px;align-items:end;margin:0 0 "
               "12px}"
               "form.choices label{display:flex;flex-direction:column;font-size:13px}"
               "form.inline{display:inline}"
               ".notice{padding:6px 10px;background:#fff3c4;border:1px solid #d9c36a}"
               ".error{padding:6px 10px;background:#ffd6d6;border:1px solid #c66}"
               ".ok{padding:6px 10px;background:#dff3d8;border:1px solid #7a7}"
               ".links a{margin-right:16px}.mono{font-family:monospace;word-break:break-all}"
               ".login{max-width:320px;margin:60px auto;background:#fff;padding:16px 24px;"
               "border:1px solid #bbb}.login label{display:block;margin:8px 0}"
               ".login input{width:100%;box-sizing:border-box}"
               "svg.chart{background:#fff;border:1px solid #ccc}\n");
}

} // namespace ronvalo::web
