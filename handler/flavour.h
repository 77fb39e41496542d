// What differs between the two plug-ins built from this code: their own name, the default
// extension list and the layout of the format table in the preferences record. Each plug-in
// links exactly one flavour unit, which defines ActiveFlavour().
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace Tarn::Handler {

// Where the format table lies in HandlerPrefs and how one of its records reads.
struct FormatTableLayout {
    size_t count_offset;         // int32 number of records
    size_t first_record_offset;  // records follow each other without gaps
    size_t record_size;
    size_t capacity;     // records that fit before the next field of HandlerPrefs
    size_t name_offset;  // NUL-terminated name inside a record
    size_t name_size;
    size_t flag_offsets[2];  // a record is served when every flag byte is nonzero
    size_t flag_count;
};

struct HandlerFlavour {
    std::string_view module_name;    // file name without extension, e.g. "KVRasterHandlerGDAL"
    std::string_view identity_name;  // own file name in capitals, for the identification record
    std::string_view description;
    std::span<const std::string_view> default_extensions;
    FormatTableLayout format_table;
};

const HandlerFlavour& ActiveFlavour();

}  // namespace Tarn::Handler
