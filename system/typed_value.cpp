// Typed values: storage and the text form.
#include "system/typed_value.h"

#include <cstring>
#include <limits>

namespace Tarn::System {

TypedValue::TypedValue(uint32_t type, const void* data, uint32_t length) {
    Assign(type, data, length);
}

TypedValue TypedValue::FromText(std::u16string_view text) {
    constexpr size_t kMaxUnits = std::numeric_limits<uint32_t>::max() / 2;
    const size_t units = text.size() < kMaxUnits ? text.size() : kMaxUnits;
    return TypedValue(kTextType, text.data(), static_cast<uint32_t>(units * 2));
}

TypedValue::TypedValue(const TypedValue& other) {
    Assign(other.type_, other.Data(), other.length_);
}

TypedValue& TypedValue::operator=(const TypedValue& other) {
    if (this != &other) Assign(other.type_, other.Data(), other.length_);
    return *this;
}

void TypedValue::Assign(uint32_t type, const void* data, uint32_t length) {
    std::unique_ptr<uint8_t[]> heap;
    if (length > kInlineBytes) heap = std::make_unique<uint8_t[]>(length);
    type_ = type;
    length_ = length;
    heap_ = std::move(heap);
    inline_.fill(0);
    if (length > 0) std::memcpy(heap_ ? heap_.get() : inline_.data(), data, length);
}

std::u16string TypedValue::Text() const {
    if (type_ != kTextType) return {};
    std::u16string text(length_ / 2, u'\0');
    std::memcpy(text.data(), Data(), text.size() * 2);
    return text;
}

}  // namespace Tarn::System
