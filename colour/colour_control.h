// CColourControl: the colouring state of one band: its colour table, null colour, reverse
// switch, and the mapping that turns a cell value into a table position.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "colour/band_statistics.h"
#include "colour/colour_info.h"
#include "colour/colour_result.h"
#include "colour/colour_table_entry.h"
#include "colour/colour_values.h"
#include "colour/ramp_kind.h"
#include "colour/value_transform.h"

namespace Tarn::File {
class CTextFile;
}

namespace Tarn::Colour {

enum ColourTableKind : int {
    kTableNone = -1,
    kTableRgbRamp = 0,
    kTableHslRamp = 1,
    kTableLut = 2,
    kTableLeg = 3,
    kTableTab = 4,
    kTableOklabRamp = 5,
};

enum ColourMappingKind : int {
    kMappingNone = -1,
    kMappingIndex = 0,
    kMappingDirect = 1,
    kMappingLinear = 2,
    kMappingLog = 3,
    kMappingEqualArea = 4,
    kMappingUser = 5,
    // Set by colour table files and the user colour mapping.
    kMappingTextCategories = 6,
    kMappingClosedRanges = 7,
    kMappingHalfOpenRanges = 8,
    kMappingExactIndex = 10,
    kMappingCeilingPosition = 11,
};

// How the range limits are meant.
enum RangeLimitKind : int {
    kRangeAbsolute = 0,    // data values
    kRangePercentage = 1,  // fractions of the data range
    kRangePercentile = 2,  // fractions of the cell population
};

// Direct mapping depths: 0 "Colour" (the value is the colour), 1-4 "Colour8" to "Colour32".
enum DirectMappingDepth : int {
    kDirectColour = 0,
    kDirectColour8 = 1,
    kDirectColour16 = 2,
    kDirectColour24 = 3,
    kDirectColour32 = 4,
};

// One (input value, output) pair of a user or equal-area map table.
struct MapPair {
    double value = 0.0;
    double position = 0.0;  // a fraction of the table, or a cumulative fraction
};

class CColourControl {
public:
    CColourControl();
    virtual ~CColourControl();
    CColourControl(const CColourControl&);
    CColourControl& operator=(const CColourControl&);
    CColourControl(CColourControl&&);
    CColourControl& operator=(CColourControl&&);

    // ResetColourTable followed by ResetMapping.
    virtual void Reset();
    // No table, null colour 0xFFFFFFFF unset, legend flags 1,0,0,0,0, no table kind or name.
    virtual void ResetColourTable();
    // Identity transform, no mapping, Percentile limits 0.05-0.95 off, depth 1, reverse off.
    virtual void ResetMapping();
    // Resets the control and reads one "ColourControl Begin" ... "ColourControl End" block from
    // the file's next line on. True when the block ended with "ColourControl End"; a colour
    // table the block names that cannot be read leaves `message` saying so.
    virtual bool ReadBlock(File::CTextFile& file, std::string& message);
    // Writes the control as one such block.
    virtual void WriteBlock(File::CTextFile& file) const;

    // --- Per-cell lookups: no allocation, no virtual call. ---
    // The colour of a cell value; the null colour for values the mapping has no entry for, and
    // for every value while the colour table is empty.
    PackedColour ValueToColour(double x) const;
    // The table index of a cell value, or -1 (clipped, no entry, empty table).
    int ValueToIndex(double x) const;

    // --- Mapping setters; each rebuilds the value transform. ---
    void SetIndexMapping();
    void SetDirectMapping(int depth);
    void SetLinearMapping(double minimum, double maximum, bool limits_on, int range_kind,
                          double low, double high);
    void SetLinearMappingFromStatistics(bool limits_on, int range_kind, double low, double high);
    void SetLogMapping(double minimum, double maximum, double log_base, double threshold,
                       bool limits_on, int range_kind, double low, double high);
    void SetLogMappingFromStatistics(double log_base, double threshold, bool limits_on,
                                     int range_kind, double low, double high);
    // Pairs of (value, cumulative fraction), ascending. Becomes a User mapping.
    void SetEqualAreaMapping(std::span<const MapPair> pairs, bool limits_on, int range_kind,
                             double low, double high);
    void SetEqualAreaMappingFromStatistics(bool limits_on, int range_kind, double low, double high);
    // Pairs of (value, table position as a fraction of the table).
    void SetUserMapping(std::span<const MapPair> pairs, bool interpolate);

    // Builders from a cumulative histogram of equal bins over [minimum, maximum]: Percentile
    // limits snap to the histogram's bin edges.
    void SetLinearMappingFromHistogram(double minimum, double maximum,
                                       std::span<const double> cumulative, bool limits_on,
                                       int range_kind, double low, double high);
    void SetLogMappingFromHistogram(double minimum, double maximum,
                                    std::span<const double> cumulative, double log_base,
                                    double threshold, bool limits_on, int range_kind, double low,
                                    double high);
    void SetEqualAreaMappingFromHistogram(double minimum, double maximum,
                                          std::span<const double> cumulative, bool limits_on,
                                          int range_kind, double low, double high);

    // Fills the colour table with a ramp of `count` entries (at least one, at most
    // kMaxRampEntries) from `from` to `to`, blended as the RampKind `kind` says.
    void BuildRamp(WideColour from, WideColour to, int64_t count, int kind);
    static constexpr int64_t kMaxRampEntries = 65536;

    // Copies a transform's colour information in; runs the user colour mapping when asked.
    ColourResult ApplyColourInfo(const ColourInfo& info);

    // --- State ---
    std::vector<ColourTableEntry>& Table() { return table_; }
    const std::vector<ColourTableEntry>& Table() const { return table_; }
    const std::u16string& TableName() const { return table_name_; }
    void SetTableName(std::u16string name) { table_name_ = std::move(name); }
    const std::u16string& TableFile() const { return table_file_; }
    void SetTableFile(std::u16string file) { table_file_ = std::move(file); }
    PackedColour NullColour() const { return null_colour_; }
    bool NullColourSet() const { return null_colour_set_; }
    void SetNullColour(PackedColour colour, bool set = true) {
        null_colour_ = colour;
        null_colour_set_ = set;
    }
    bool Reverse() const { return reverse_; }
    void SetReverse(bool reverse) { reverse_ = reverse; }
    const std::array<uint8_t, 5>& LegendFlags() const { return legend_flags_; }
    void SetLegendFlags(const std::array<uint8_t, 5>& flags) { legend_flags_ = flags; }
    ValueTransform& Transform() { return transform_; }
    const ValueTransform& Transform() const { return transform_; }
    int TableKind() const { return table_kind_; }
    void SetTableKind(int kind) { table_kind_ = kind; }
    bool MappingFromTableFile() const { return mapping_from_table_file_; }
    void SetMappingFromTableFile(bool from_file) { mapping_from_table_file_ = from_file; }
    int MappingKind() const { return mapping_kind_; }
    void SetMappingKind(int kind) { mapping_kind_ = kind; }
    // A table file or the user colour mapping built the transform itself: the mapping kind it
    // stands for, and the range no longer waits for statistics.
    void SetTableMapping(int mapping_kind, bool from_table_file);
    int DirectDepth() const { return direct_depth_; }
    bool RangeFromStatistics() const { return range_from_statistics_; }
    bool RangeLimitsOn() const { return range_limits_on_; }
    int RangeKind() const { return range_kind_; }
    double RangeLow() const { return range_low_; }
    double RangeHigh() const { return range_high_; }
    // The data range an explicit Linear or Log mapping was given, before its limits narrowed it:
    // the text block writes it where narrowing the transform's own range again would shrink it.
    double GivenMinimum() const { return given_minimum_; }
    double GivenMaximum() const { return given_maximum_; }
    // For the text block reader, which sets these before it chooses a mapping.
    void SetRangeLimits(bool on, int kind, double low, double high);
    bool ClipToNull() const { return clip_to_null_; }
    void SetClipToNull(bool clip) { clip_to_null_ = clip; }
    bool UserMappingOn() const { return user_mapping_on_; }
    const UserColourMapping& UserMapping() const { return user_mapping_; }
    void SetUserColourMapping(bool on, UserColourMapping mapping);
    int DirectMaximum() const { return direct_maximum_; }
    const ShadingSettings& Shading() const { return shading_; }

    // The band statistics that the user colour mapping works from, attached by the opener.
    void AttachStatistics(BandStatistics statistics) { statistics_ = std::move(statistics); }
    void DetachStatistics() { statistics_.reset(); }
    const BandStatistics* Statistics() const { return statistics_ ? &*statistics_ : nullptr; }

private:
    void ResetColourTableFields();
    void ResetMappingFields();
    enum class Landing { kNoEntry, kPosition, kExact, kValueIsColour };
    Landing Locate(double x, bool for_index, double& position) const;

    std::vector<ColourTableEntry> table_;
    std::u16string table_name_;
    std::u16string table_file_;
    PackedColour null_colour_ = 0xFFFFFFFFu;
    bool null_colour_set_ = false;
    bool reverse_ = false;
    std::array<uint8_t, 5> legend_flags_ = {1, 0, 0, 0, 0};
    ValueTransform transform_;
    int table_kind_ = kTableNone;
    bool mapping_from_table_file_ = false;
    int mapping_kind_ = kMappingNone;
    int direct_depth_ = kDirectColour8;
    bool range_from_statistics_ = false;
    bool range_limits_on_ = false;
    int range_kind_ = kRangePercentile;
    double range_low_ = 0.05;
    double range_high_ = 0.95;
    double given_minimum_ = 0.0;
    double given_maximum_ = 1.0;
    bool clip_to_null_ = false;
    bool user_mapping_on_ = false;
    UserColourMapping user_mapping_;
    int direct_maximum_ = 0;
    ShadingSettings shading_;
    std::optional<BandStatistics> statistics_;
};

}  // namespace Tarn::Colour
