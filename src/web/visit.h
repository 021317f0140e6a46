// One request of a logged-in account, as every page gets it: the account, what it sees (the cut,
// enforced by the pages through it alone), this thread's tables, and the answer being made.
#pragma once

#include <QByteArray>
#include <QString>
#include <httplib.h>

#include "web/account_rules.h"
#include "web/html.h"

namespace ronvalo {
class TDM3;
}

namespace ronvalo::web {

class InstrumentCut;
class Installation;
class Sessions;
class TransfersCache;
class OverviewCache;

struct Visit {
    const httplib::Request& request;
    httplib::Response& response;
    QString address;
    const Account& account;
    const InstrumentCut& cut;
    TDM3& dm;
    Installation& installation;
    Sessions& sessions;
    TransfersCache& transfers;
    OverviewCache& overviews;
    QString session;      // the session's token
    QString formToken;    // what its forms carry
    QString logNote = {}; // what the page fetched, for the log ("PDF", "CSV", "plik odczytu 12")

    // A parameter of the address or of a posted form, as text; empty when absent.
    QString param(const char* name) const;
    bool hasParam(const char* name) const;
    PageFrame frame(const QString& current) const { return {&account, formToken, current}; }
};

// The answer: a page, a file, a redirection, or the page of an error.
void sendHtml(httplib::Response& response, const QString& html, int status = 200);
void sendPage(Visit& visit, const QString& current, const QString& title, const QString& body,
              int status = 200);
// `fileName` in ASCII: what the browser saves the file as.
void sendFile(Visit& visit, const QByteArray& bytes, const char* contentType,
              const QString& fileName);
void redirect(httplib::Response& response, const QString& to);
// The answer for an address, an instrument, a download or an account that does not exist, or
// that the account may not see: the two are never told apart.
void sendNotFound(Visit& visit);
inline const QString notFoundText = QStringLiteral("Nie ma takiej strony.");

} // namespace ronvalo::web
