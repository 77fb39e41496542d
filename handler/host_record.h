// Releasing what the plug-in hangs on the host record.
#pragma once

#include "handler/rh_api.h"

namespace Tarn::Handler {

// Frees the auxiliary block (and the buffer at its byte 8) and the registration points, each
// marked as freed first, and clears both fields.
void ReleaseHostAttachments(HostRasterRecord& host);

}  // namespace Tarn::Handler
