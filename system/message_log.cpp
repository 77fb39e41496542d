// The message log: adding items, the summary flags, deep copies.
#include "system/message_log.h"

namespace Tarn::System {

CMessageLog::CMessageLog()
    : CMessageLogItem(kHeaderCode, kHeaderIdentifier, SourceLocation{}, std::nullopt) {}

CMessageLog::~CMessageLog() = default;

CMessageLogItem& CMessageLog::Add(uint32_t code, std::u16string_view text,
                                  const SourceLocation& location) {
    auto item = std::make_unique<CMessageLogItem>(
        code, -1, location, std::vector<TypedValue>{TypedValue::FromText(text)});
    items_.push_back(std::move(item));
    if ((code & kMessageWarning) == kMessageWarning) has_warning_ = true;
    if ((code & kMessageError) == kMessageError) has_error_ = true;
    return *items_.back();
}

std::unique_ptr<CMessageLogItem> CMessageLog::Clone() const {
    return CloneLog();
}

std::unique_ptr<CMessageLog> CMessageLog::CloneLog() const {
    auto copy = std::make_unique<CMessageLog>();
    if (!items_.empty()) {
        copy->has_warning_ = has_warning_;
        copy->has_error_ = has_error_;
        copy->items_.reserve(items_.size());
        for (const auto& item : items_) copy->items_.push_back(item->Clone());
    }
    return copy;
}

}  // namespace Tarn::System
