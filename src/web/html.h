// The pages' HTML: made on the server, one small stylesheet, no script; every text from the
// tables or the request is escaped here before it reaches a page.
#pragma once

#include <QString>
#include <QStringList>

namespace ronvalo::web {

struct Account;

// `text` safe inside an element or a quoted attribute.
QString esc(const QString& text);

// What every page of a logged-in account shows above its content: the menu and "Wyloguj".
struct PageFrame {
    const Account* account = nullptr; // none: the login page
    QString formToken;                // for the logout form
    QString current;                  // the menu's path of this page
};

// A whole page: `title` in the window's title and as the heading, then `body` (HTML).
QString htmlPage(const PageFrame& frame, const QString& title, const QString& body);

// The hidden field every form of a session carries.
QString tokenField(const QString& formToken);

// A table: the titles' row, then the rows (each cell already HTML), with `classes` per row
// (empty: none).
QString htmlTable(const QStringList& titles, const QList<QStringList>& rows,
                  const QStringList& classes = {});

// The stylesheet, served at /styl.css.
QByteArray styleSheet();

} // namespace ronvalo::web
