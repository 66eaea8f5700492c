#include "app/pictures.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void RegisterZorvexResource() {
    Q_INIT_RESOURCE(zorvex);
}

namespace zorvex::app {

void RegisterPictures() {
    static const bool registered = (RegisterZorvexResource(), true);
    (void)registered;
}

}  // namespace zorvex::app
