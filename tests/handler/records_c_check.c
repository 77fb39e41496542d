/* Compiled as C: the host-boundary, engine and preferences headers must stay valid C, and the C
 * compiler must lay the records out as the C++ compiler does. */
#include <stddef.h>

#include "engine/handler_prefs.h"
#include "engine/kvr_contract.h"
#include "handler/rh_api.h"

size_t rh_c_layout(int which);

size_t rh_c_layout(int which) {
    switch (which) {
        case 0:
            return sizeof(HandlerIdentity);
        case 1:
            return offsetof(HandlerIdentity, extensions);
        case 2:
            return sizeof(HostRasterRecord);
        case 3:
            return offsetof(HostRasterRecord, context);
        case 4:
            return sizeof(RegistrationPoints);
        case 5:
            return offsetof(RegistrationPoints, points);
        case 6:
            return sizeof(DrawRect);
        case 7:
            return sizeof(HandlerPrefs);
        case 8:
            return offsetof(HandlerPrefs, long_formats);
        case 9:
            return offsetof(KvrFieldInfo, cell_offset_y);
        case 10:
            return offsetof(KvrStatistics, relief);
        default:
            return 0;
    }
}
