// CMessageLogItem: one time-stamped message of a message log, with its kind flags, its source
// location and its typed values (the first holds the message text).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "system/source_location.h"
#include "system/typed_value.h"

namespace Tarn::System {

class CMessageLogItem {
public:
    // The time stamp is taken now.
    CMessageLogItem(uint32_t code, int32_t identifier, SourceLocation location,
                    std::optional<std::vector<TypedValue>> values);
    virtual ~CMessageLogItem();
    // A deep copy with its own, new time stamp; the caller owns it.
    virtual std::unique_ptr<CMessageLogItem> Clone() const;

    CMessageLogItem(const CMessageLogItem&) = delete;
    CMessageLogItem& operator=(const CMessageLogItem&) = delete;

    uint32_t Code() const { return code_; }
    int32_t Identifier() const { return identifier_; }
    // "date time" in the user's locale; empty when the time could not be formatted.
    const std::u16string& TimeStamp() const { return time_stamp_; }
    const SourceLocation& Location() const { return location_; }
    // Null when the item has no value list.
    const std::vector<TypedValue>* Values() const { return values_ ? &*values_ : nullptr; }
    // The text of the first value; empty when there is none.
    std::u16string Text() const;

private:
    uint32_t code_;
    int32_t identifier_;
    std::u16string time_stamp_;
    SourceLocation location_;
    std::optional<std::vector<TypedValue>> values_;
};

// The current local date and time as "date time" in the user's locale, or empty.
std::u16string CurrentTimeStamp();

}  // namespace Tarn::System
