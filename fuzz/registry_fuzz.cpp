// The registry files: the input is a per-user hive. Reading survives anything; a string the
// editor sets and commits must read back as set, whatever the lines around it say.
#include "fuzz_support.h"
#include "platform/process_env.h"
#include "platform/registry_files.h"

using namespace Tarn::Platform;

namespace {

struct Edit {
    const char* key;
    const char* name;
};
constexpr Edit kEdits[] = {{"K", "A"}, {"K\\Sub", ""}, {"Other", "Value"}};
constexpr const char* kSetText = "set \"by\" the \\ editor";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& user = Tarn::Fuzz::ScratchPath(".user.reg");
    static const bool env_set = SetEnv("CORVANE_USER_REG", user) &&
                                SetEnv("CORVANE_SYSTEM_REG", Tarn::Fuzz::ScratchPath(".none.reg"));
    RH_FUZZ_CHECK(env_set);
    Tarn::Fuzz::WriteFile(user, data, size);
    for (const Edit& e : kEdits) ReadRegistryString(RegistryHive::CurrentUser, e.key, e.name);

    // One edit per input, chosen by its length, so that each meets every kind of file.
    const Edit& edit = kEdits[size % std::size(kEdits)];
    {
        RegistryEditor editor;
        editor.SetString(edit.key, edit.name, kSetText);
        if (!editor.Commit()) return 0;
    }
    RH_FUZZ_CHECK(ReadRegistryString(RegistryHive::CurrentUser, edit.key, edit.name) == kSetText);
    return 0;
}
