// RunUnprivileged on Windows: the check runs directly, as no account there writes through a
// read-only attribute the way root writes through permissions.
#include "tests/support/unprivileged.h"

namespace Tarn::Test {

Unprivileged RunUnprivileged(const std::function<bool()>& check) {
    return check() ? Unprivileged::kPassed : Unprivileged::kFailed;
}

}  // namespace Tarn::Test
