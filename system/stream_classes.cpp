// The standard registrations of the stream factory.
#include "system/stream_classes.h"

namespace Tarn::System {

void RegisterStreamClasses() {
    // The stream classes and their factory are added here as they are built.
}

}  // namespace Tarn::System
