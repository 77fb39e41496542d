// Finding an entry's index by name, for readers and writers alike.
#include "system/text_utils.h"
#include "system/utf.h"
#include "zip/zip_entry_name.h"
#include "zip/zip_handle_state.h"

namespace Tarn::Zip {

bool LocateEntry(zip_t* archive, std::u16string_view name, bool case_blind, uint64_t& index) {
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    bool found_blind = false;
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* raw = zip_get_name(archive, static_cast<zip_uint64_t>(i), 0);
        if (raw == nullptr) continue;  // deleted from a writer's archive
        const std::u16string candidate = NormaliseEntryName(System::Utf8ToWide(raw));
        if (candidate == name) {
            index = static_cast<uint64_t>(i);
            return true;
        }
        if (case_blind && !found_blind && System::EqualsNoCase(candidate, name)) {
            found_blind = true;
            index = static_cast<uint64_t>(i);
        }
    }
    return found_blind;
}

}  // namespace Tarn::Zip
