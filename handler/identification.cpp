// Format identification: the extension list, RH_Identify's record and RH_IsFormatW's test.
#include "handler/identification.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <span>
#include <string_view>

#include "engine/engine_binding.h"
#include "engine/engine_calls.h"
#include "engine/engine_table.h"
#include "engine/preferences.h"
#include "engine/settings.h"
#include "system/file_path.h"
#include "system/utf.h"

namespace Tarn::Handler {
namespace {

bool IsServed(const std::byte* record, const FormatTableLayout& layout) {
    for (size_t i = 0; i < layout.flag_count; ++i)
        if (record[layout.flag_offsets[i]] == std::byte{0}) return false;
    return true;
}

std::string RecordName(const std::byte* record, const FormatTableLayout& layout) {
    const char* name = reinterpret_cast<const char*>(record + layout.name_offset);
    // The name field is meant to hold a terminator; never read past the field if it does not.
    return std::string(name, strnlen(name, layout.name_size));
}

void CopyText(char* target, size_t capacity, std::string_view text) {
    std::memcpy(target, text.data(), std::min(text.size(), capacity - 1));
}

}  // namespace

std::vector<std::string> ExtensionsFromFormatTable(std::span<const std::byte> prefs_bytes,
                                                   const FormatTableLayout& layout) {
    std::vector<std::string> list;
    if (layout.count_offset + sizeof(int32_t) > prefs_bytes.size() || layout.record_size == 0)
        return list;
    int32_t count = 0;
    std::memcpy(&count, prefs_bytes.data() + layout.count_offset, sizeof count);
    size_t records = count > 0 ? static_cast<size_t>(count) : 0;
    records = std::min(records, layout.capacity);
    if (layout.first_record_offset >= prefs_bytes.size()) return list;
    records =
        std::min(records, (prefs_bytes.size() - layout.first_record_offset) / layout.record_size);
    for (size_t i = 0; i < records && list.size() < kMaxExtensions; ++i) {
        const std::byte* record =
            prefs_bytes.data() + layout.first_record_offset + i * layout.record_size;
        if (!IsServed(record, layout)) continue;
        std::string name = RecordName(record, layout);
        if (std::find(list.begin(), list.end(), name) == list.end())
            list.push_back(std::move(name));
    }
    return list;
}

std::vector<std::string> BuildExtensionList(const HandlerFlavour& flavour) {
    HandlerPrefs prefs;
    if (!Engine::ReadHandlerPrefs(prefs))
        return {flavour.default_extensions.begin(), flavour.default_extensions.end()};
    return ExtensionsFromFormatTable(std::as_bytes(std::span(&prefs, 1)), flavour.format_table);
}

HandlerIdentity DefaultIdentity(const HandlerFlavour& flavour) {
    HandlerIdentity identity;
    std::memset(&identity, 0, sizeof identity);
    identity.version = RH_INTERFACE_VERSION;
    CopyText(identity.file_name, sizeof identity.file_name, flavour.identity_name);
    CopyText(identity.description, sizeof identity.description, flavour.description);
    const size_t count = std::min(flavour.default_extensions.size(), kMaxExtensions);
    identity.extension_count = static_cast<int16_t>(count);
    for (size_t i = 0; i < count; ++i)
        CopyText(identity.extensions[i], RH_EXTENSION_SLOT, flavour.default_extensions[i]);
    return identity;
}

int IdentifyHandler(const HandlerFlavour& flavour, HandlerIdentity& identity) {
    if (!Engine::BindEngine(Engine::GetProgramDirectory(), Engine::kBindUtility)) return 0;
    std::memset(&identity, 0, sizeof identity);
    if (Engine::BoundEngine().GetHandlerPrefs == nullptr) {
        identity = DefaultIdentity(flavour);
        return 1;
    }
    const std::vector<std::string> list = BuildExtensionList(flavour);
    // No served format leaves the record all zeros.
    if (list.empty()) return 1;
    identity = DefaultIdentity(flavour);
    std::memset(identity.extensions, 0, sizeof identity.extensions);
    // The host's slots hold three letters; a longer name still matches files in full. Cut to
    // three, "tiff" would stand a second time beside "tif": each slot text is listed once.
    size_t count = 0;
    for (size_t i = 0; i < list.size() && count < kMaxExtensions; ++i) {
        const std::string_view slot = std::string_view(list[i]).substr(0, 3);
        const auto listed = std::span(identity.extensions, count);
        if (std::any_of(listed.begin(), listed.end(), [&](const char(&taken)[RH_EXTENSION_SLOT]) {
                return std::string_view(taken, strnlen(taken, RH_EXTENSION_SLOT)) == slot;
            }))
            continue;
        std::memcpy(identity.extensions[count++], slot.data(), slot.size());
    }
    identity.extension_count = static_cast<int16_t>(count);
    return 1;
}

int IsServedFormat(const HandlerFlavour& flavour, std::u16string_view path) {
    if (!Engine::BindEngine(Engine::GetProgramDirectory(), Engine::kBindEngineAndUtility)) return 0;
    const File::FilePath parsed(path);
    std::string extension = System::WideToUtf8(parsed.Extension());
    std::erase(extension, '.');
    // A served record without a name must not let every file without an extension through.
    if (extension.empty()) return 0;
    // Only the file's extension is lower-cased: a served name with capitals never matches.
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::vector<std::string> list = BuildExtensionList(flavour);
    if (std::find(list.begin(), list.end(), extension) == list.end()) return 0;
    const std::u16string full = parsed.FullPath();
    return Engine::Kvr::VerifyRaster(full.c_str()) == 0 ? 1 : 0;
}

}  // namespace Tarn::Handler
