// ChannelRecord: one colour channel of an "RGB" or band-composite picture: the band it shows,
// its statistics and the colour control that colours it.
#pragma once

#include <cstdint>
#include <limits>
#include <string>

#include "colour/colour_control.h"
#include "handler/engine_statistics.h"

namespace Tarn::Handler {

struct ChannelRecord {
    double minimum = 0.0;  // of the channel's statistics
    double maximum = 0.0;
    int32_t value_code = 0;  // KVR_BandInfo's value code
    Colour::CColourControl colour_control;
    int32_t field = 0;
    int32_t band = 0;
    int64_t value_low = std::numeric_limits<int64_t>::min();
    int64_t value_high = std::numeric_limits<int64_t>::max();
    EngineStatistics statistics;
    std::string name;  // the transform that colours the channel

    ChannelRecord() = default;
    // Channels are made by copying a template; a copy gets its own statistics later, since an
    // engine record has one owner.
    ChannelRecord(const ChannelRecord& other) { CopySettings(other); }
    ChannelRecord& operator=(const ChannelRecord& other) {
        if (this != &other) {
            statistics.Release();
            CopySettings(other);
        }
        return *this;
    }
    ChannelRecord(ChannelRecord&&) = default;
    ChannelRecord& operator=(ChannelRecord&&) = default;

private:
    void CopySettings(const ChannelRecord& other) {
        minimum = other.minimum;
        maximum = other.maximum;
        value_code = other.value_code;
        colour_control = other.colour_control;
        field = other.field;
        band = other.band;
        value_low = other.value_low;
        value_high = other.value_high;
        name = other.name;
    }
};

}  // namespace Tarn::Handler
