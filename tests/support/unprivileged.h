// Running a check without root's rights: root may write read-only files and enter unreadable
// directories, so permission tests prove nothing when run as root.
#pragma once

#include <functional>

namespace Tarn::Test {

enum class Unprivileged { kPassed, kFailed, kUnavailable };

// Runs `check` directly when this process is not root; otherwise in a child process as the user
// nobody, so the test itself keeps its rights. kUnavailable: no child, or the rights could not be
// dropped.
Unprivileged RunUnprivileged(const std::function<bool()>& check);

}  // namespace Tarn::Test
