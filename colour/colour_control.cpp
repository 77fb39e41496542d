// The colour control's construction, copying and resets.
#include "colour/colour_control.h"

#include <algorithm>

namespace Tarn::Colour {

CColourControl::CColourControl() {
    ResetColourTableFields();
    ResetMappingFields();
}

CColourControl::~CColourControl() = default;
CColourControl::CColourControl(const CColourControl&) = default;
CColourControl& CColourControl::operator=(const CColourControl&) = default;
CColourControl::CColourControl(CColourControl&&) = default;
CColourControl& CColourControl::operator=(CColourControl&&) = default;

void CColourControl::Reset() {
    ResetColourTable();
    ResetMapping();
}

void CColourControl::ResetColourTable() {
    ResetColourTableFields();
}

void CColourControl::ResetMapping() {
    ResetMappingFields();
}

void CColourControl::ResetColourTableFields() {
    table_.clear();
    null_colour_ = 0xFFFFFFFFu;
    null_colour_set_ = false;
    legend_flags_ = {1, 0, 0, 0, 0};
    table_kind_ = kTableNone;
    table_name_.clear();
    table_file_.clear();
}

void CColourControl::ResetMappingFields() {
    transform_.Reset();
    mapping_kind_ = kMappingNone;
    mapping_from_table_file_ = false;
    range_from_statistics_ = false;
    range_limits_on_ = false;
    direct_depth_ = kDirectColour8;
    range_kind_ = kRangePercentile;
    range_low_ = 0.05;
    range_high_ = 0.95;
    given_minimum_ = 0.0;
    given_maximum_ = 1.0;
    reverse_ = false;
}

void CColourControl::SetRangeLimits(bool on, int kind, double low, double high) {
    range_limits_on_ = on;
    range_kind_ = kind;
    range_low_ = low;
    range_high_ = high;
}

void CColourControl::SetTableMapping(int mapping_kind, bool from_table_file) {
    mapping_kind_ = mapping_kind;
    mapping_from_table_file_ = from_table_file;
    range_from_statistics_ = false;
}

void CColourControl::SetUserColourMapping(bool on, UserColourMapping mapping) {
    user_mapping_on_ = on;
    user_mapping_ = std::move(mapping);
}

}  // namespace Tarn::Colour
