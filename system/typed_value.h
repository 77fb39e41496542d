// TypedValue: a value record of a message log item, a type code with its bytes; up to 16 bytes
// are kept inline, longer data in an owned array.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace Tarn::System {

class TypedValue {
public:
    // The data is UTF-16 text; the length is twice the number of characters.
    static constexpr uint32_t kTextType = 83;

    TypedValue(uint32_t type, const void* data, uint32_t length);
    static TypedValue FromText(std::u16string_view text);

    TypedValue(const TypedValue& other);
    TypedValue& operator=(const TypedValue& other);
    TypedValue(TypedValue&&) noexcept = default;
    TypedValue& operator=(TypedValue&&) noexcept = default;
    ~TypedValue() = default;

    uint32_t Type() const { return type_; }
    uint32_t Length() const { return length_; }
    const uint8_t* Data() const { return heap_ ? heap_.get() : inline_.data(); }
    // The text of a text value; empty for any other type.
    std::u16string Text() const;

private:
    static constexpr uint32_t kInlineBytes = 16;

    void Assign(uint32_t type, const void* data, uint32_t length);

    uint32_t type_ = 0;
    uint32_t length_ = 0;
    std::array<uint8_t, kInlineBytes> inline_{};
    std::unique_ptr<uint8_t[]> heap_;
};

}  // namespace Tarn::System
