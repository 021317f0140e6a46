// The period's evidence file.
#include "web/pages.h"
#include "web/visit.h"

namespace ronvalo::web {

void evidenceFile(Visit& visit) {
    sendNotFound(visit);
}

} // namespace ronvalo::web
