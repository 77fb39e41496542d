// libuuid.
#include "platform/uuid.h"

#include <uuid/uuid.h>

namespace Tarn::Platform {

std::string NewUuidString() {
    uuid_t id;
    uuid_generate(id);
    char text[37];
    uuid_unparse_lower(id, text);
    return text;
}

}  // namespace Tarn::Platform
