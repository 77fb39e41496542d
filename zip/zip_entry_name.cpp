// Normalising and vetting entry names.
#include "zip/zip_entry_name.h"

#include <algorithm>

namespace Tarn::Zip {

std::u16string NormaliseEntryName(std::u16string_view name) {
    std::u16string normal(name);
    std::replace(normal.begin(), normal.end(), u'\\', u'/');
    return normal;
}

bool IsSafeEntryName(std::u16string_view name) {
    if (name.empty() || name.front() == u'/') return false;
    if (name.size() >= 2 && name[1] == u':') return false;
    if (name.find(u'\0') != std::u16string_view::npos) return false;
    size_t start = 0;
    while (start <= name.size()) {
        const size_t end = std::min(name.find(u'/', start), name.size());
        if (name.substr(start, end - start) == u"..") return false;
        start = end + 1;
    }
    return true;
}

}  // namespace Tarn::Zip
