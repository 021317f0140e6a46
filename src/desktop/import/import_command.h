// The "Odbior" command of the main window: the download dialog, then the import.
#pragma once

#include <QDateTime>
#include <functional>

class QDialog;

namespace ronvalo {

class PunchImport;
class ReceiveBuffer;

// Shows the download dialog modally and imports only when it closes with the OK result (1).
// transferDate is read after the dialog closed, as the dialog sets it.
void acOdbiorExecute(QDialog& frOdbior, PunchImport& import, ReceiveBuffer& Memo1,
                     ReceiveBuffer& Memo2, const std::function<QDateTime()>& transferDate);

} // namespace ronvalo
