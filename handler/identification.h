// Which files this plug-in serves: the extension list from the utility library's format table
// (or the flavour's default list), the identification record, and the format test of one file.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/handler_prefs.h"
#include "handler/flavour.h"
#include "handler/rh_api.h"

namespace Tarn::Handler {

inline constexpr size_t kMaxExtensions = RH_MAX_EXTENSIONS;

// The served names of a format table laid out as `layout` inside `prefs_bytes` (a HandlerPrefs
// or, in tests, any buffer), distinct and in table order, at most kMaxExtensions. Records are read
// while below the table's count, its capacity and the end of the bytes, so a count larger than
// the table never reads past it.
std::vector<std::string> ExtensionsFromFormatTable(std::span<const std::byte> prefs_bytes,
                                                   const FormatTableLayout& layout);

// From the preferences when GetHandlerPrefs is bound, else the flavour's default list.
std::vector<std::string> BuildExtensionList(const HandlerFlavour& flavour);

// The record RH_Identify gives when there are no preferences.
HandlerIdentity DefaultIdentity(const HandlerFlavour& flavour);

// RH_Identify: binds the utility library and fills the record; 0 (record untouched) when the
// binding fails.
int IdentifyHandler(const HandlerFlavour& flavour, HandlerIdentity& identity);

// RH_IsFormatW: 1 when the path's extension is served and the engine verifies the file.
int IsServedFormat(const HandlerFlavour& flavour, std::u16string_view path);

}  // namespace Tarn::Handler
