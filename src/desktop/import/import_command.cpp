#include "desktop/import/import_command.h"

#include <QDialog>

#include "core/import/punch_import.h"

namespace ronvalo {

void acOdbiorExecute(QDialog& frOdbior, PunchImport& import, ReceiveBuffer& Memo1,
                     ReceiveBuffer& Memo2, const std::function<QDateTime()>& transferDate) {
    if (frOdbior.exec() != 1)
        return;
    import.run(Memo1, Memo2, transferDate());
}

} // namespace ronvalo
