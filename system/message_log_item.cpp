// Message log items and their time stamps.
#include "system/message_log_item.h"

#include "platform/locale_time.h"
#include "system/text_format.h"

namespace Tarn::System {

std::u16string CurrentTimeStamp() {
    const auto now = Platform::CurrentLocaleDateTime();
    if (!now) return {};
    return Utf8ToWide(FormatString("%s %s", now->date, now->time));
}

CMessageLogItem::CMessageLogItem(uint32_t code, int32_t identifier, SourceLocation location,
                                 std::optional<std::vector<TypedValue>> values)
    : code_(code),
      identifier_(identifier),
      time_stamp_(CurrentTimeStamp()),
      location_(std::move(location)),
      values_(std::move(values)) {}

CMessageLogItem::~CMessageLogItem() = default;

std::unique_ptr<CMessageLogItem> CMessageLogItem::Clone() const {
    return std::make_unique<CMessageLogItem>(code_, identifier_, location_, values_);
}

std::u16string CMessageLogItem::Text() const {
    if (!values_ || values_->empty()) return {};
    return values_->front().Text();
}

}  // namespace Tarn::System
