// CMessageLog: the time-stamped failure messages a stream collects instead of throwing, with two
// summary flags. The log is itself an item (its header) holding the items added to it.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "system/message_log_item.h"

namespace Tarn::System {

// Item codes: an item is a warning when its code holds both bits of kMessageWarning, an error
// when it holds both bits of kMessageError.
inline constexpr uint32_t kMessageWarning = 0x808;
inline constexpr uint32_t kMessageError = 0x1008;
inline constexpr uint32_t kMessageRenameError = 0x101008;

class CMessageLog : public CMessageLogItem {
public:
    static constexpr uint32_t kHeaderCode = 2;
    static constexpr int32_t kHeaderIdentifier = 40501;

    CMessageLog();
    ~CMessageLog() override;

    // Appends an item (identifier -1, time stamp now, the text as its value) and raises the
    // flags its code calls for. The log owns the item.
    CMessageLogItem& Add(uint32_t code, std::u16string_view text,
                         const SourceLocation& location = {});

    std::unique_ptr<CMessageLogItem> Clone() const override;
    std::unique_ptr<CMessageLog> CloneLog() const;

    // Once set, the flags stay set.
    bool HasWarning() const { return has_warning_; }
    bool HasError() const { return has_error_; }
    const std::vector<std::unique_ptr<CMessageLogItem>>& Items() const { return items_; }

private:
    bool has_warning_ = false;
    bool has_error_ = false;
    std::vector<std::unique_ptr<CMessageLogItem>> items_;
};

}  // namespace Tarn::System
