// UuidCreate.
#include <rpc.h>
#include <windows.h>

#include <cstdio>

#include "platform/uuid.h"

namespace Tarn::Platform {

std::string NewUuidString() {
    UUID id{};
    UuidCreate(&id);
    char text[37];
    std::snprintf(text, sizeof text, "%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x",
                  static_cast<unsigned long>(id.Data1), id.Data2, id.Data3, id.Data4[0],
                  id.Data4[1], id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6],
                  id.Data4[7]);
    return text;
}

}  // namespace Tarn::Platform
