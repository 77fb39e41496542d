// The auxiliary block and the registration points of the host record.
#include "handler/host_record.h"

#include <cstdlib>
#include <cstring>

namespace Tarn::Handler {

void ReleaseHostAttachments(HostRasterRecord& host) {
    if (host.auxiliary != nullptr) {
        auto* block = static_cast<unsigned char*>(host.auxiliary);
        void* buffer = nullptr;
        std::memcpy(&buffer, block + 8, sizeof buffer);
        std::free(buffer);
        const uint32_t freed = RH_AUXILIARY_FREED;
        std::memcpy(block, &freed, sizeof freed);
        std::free(block);
        host.auxiliary = nullptr;
    }
    if (host.registration != nullptr) {
        host.registration->magic = RH_REGISTRATION_FREED;
        std::free(host.registration);
        host.registration = nullptr;
    }
}

}  // namespace Tarn::Handler
