/* The raster engine's interface (KVRasterAPI): the records it hands out and the function type of
 * each KVR_ operation. Shared by the plug-in, the engine and the test engines; depends on nothing
 * else of the project. Valid C11 and C++.
 *
 * Ownership: records reached through an information handle (raster, field, band and level
 * information) belong to the engine and stay valid until KVR_ReleaseRasterInfo of that handle.
 * Statistics, cell blocks and texts are allocated by the engine for the caller, who gives each
 * back through KVR_ReleaseStatistics, KVR_ReleaseData or KVR_ReleaseString. Status 0 is success. */
#ifndef KVR_CONTRACT_H
#define KVR_CONTRACT_H

#include <assert.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
typedef char16_t kvr_wchar;
#else
typedef uint16_t kvr_wchar;
#endif

typedef uint32_t KvrHandle;
#define KVR_INVALID_HANDLE 0xFFFFFFFFu

/* Field types. */
#define KVR_FIELD_PALETTE_IMAGE 0
#define KVR_FIELD_MULTIBAND 1
#define KVR_FIELD_PALETTE 2
#define KVR_FIELD_GRID 3

/* Band kinds. */
#define KVR_BAND_RED 100
#define KVR_BAND_GREEN 101
#define KVR_BAND_BLUE 102
#define KVR_BAND_ALPHA 103
#define KVR_BAND_COLOUR_FIRST 109 /* 109 to 112: the band's cells are colour values */
#define KVR_BAND_COLOUR_RGB 109
#define KVR_BAND_COLOUR_RGBA 110
#define KVR_BAND_COLOUR_BGR 111
#define KVR_BAND_COLOUR_BGRA 112
#define KVR_BAND_COLOUR_LAST 112

/* Value codes: the data type of a band's cells. */
#define KVR_VALUE_UINT8 30
#define KVR_VALUE_INT8 31
#define KVR_VALUE_UINT16 40
#define KVR_VALUE_INT16 41
#define KVR_VALUE_UINT32 50
#define KVR_VALUE_INT32 51
#define KVR_VALUE_UINT64 52
#define KVR_VALUE_INT64 53
#define KVR_VALUE_FLOAT32 60
#define KVR_VALUE_FLOAT64 61
#define KVR_VALUE_COMPLEX_INT 70
#define KVR_VALUE_COMPLEX_FLOAT 71

/* Cell block formats. KVR_BLOCK_COLOUR: packed colours, red in the low byte, transparency in
 * the top byte. */
#define KVR_BLOCK_BYTE 32  /* 4-byte elements, the 8-bit value in the low byte */
#define KVR_BLOCK_FLOAT 51 /* 32-bit floats */
#define KVR_BLOCK_COLOUR 110

#define KVR_CLOSE_OPTIONS 0x45u

typedef struct KvrRasterInfo {
    int32_t field_count;
    int32_t reserved4;
    uint8_t reserved8[2560];
    char format_name[256]; /* short name of the file format, NUL-terminated */
    uint8_t reserved2824[16];
    kvr_wchar coordinate_system[1024]; /* host syntax, UTF-16, NUL-terminated; empty when none */
} KvrRasterInfo;

typedef struct KvrFieldInfo {
    int32_t field_type; /* KVR_FIELD_* */
    int32_t band_count;
    int32_t level_count;
    int32_t value_code;
    char name[256]; /* the field's variable in a container of several (netCDF, HDF); else empty */
    uint8_t reserved272[209712];
    double reference_y; /* world y against which "y up" is decided */
    uint8_t reserved209992[96];
    int64_t cell_x0, cell_y0, cell_x1, cell_y1;
    double world_min_x, world_min_y, world_max_x, world_max_y;
    int64_t cell_offset_x, cell_offset_y;
} KvrFieldInfo;

typedef struct KvrBandInfo {
    char name[256];
    /* GDAL's name of the band's colour interpretation ("Gray", "Red", "Undefined", ...); empty
     * from an engine that does not say */
    char colour_interpretation[32];
    uint8_t reserved288[8424];
    int32_t band_kind;  /* KVR_BAND_*, 0 for a plain value band */
    int32_t value_code; /* KVR_VALUE_* */
} KvrBandInfo;

typedef struct KvrLevelInfo {
    int32_t level;
    int32_t reserved4;
    int64_t cell_x0, cell_y0, cell_x1, cell_y1;
    double cell_size_x, cell_size_y;
} KvrLevelInfo;

/* One histogram bin: six doubles. */
typedef struct KvrHistogramBin {
    double lower_edge;
    double end_value;
    double count;
    double upper_edge;
    double fraction;
    double cumulative_fraction;
} KvrHistogramBin;

typedef struct KvrStatistics {
    int32_t field;
    int32_t band;
    int32_t level;
    int32_t mode;
    int64_t valid_count;
    double minimum;
    double maximum;
    double mean;
    double standard_deviation;
    int64_t cell_count;
    int64_t invalid_count;
    uint32_t bin_count;
    uint32_t reserved76;
    KvrHistogramBin* bins;
    uint8_t reserved88[16];
    uint8_t relief_computed; /* nonzero when relief below was computed */
    uint8_t reserved105[23];
    double relief; /* mean absolute difference of adjacent valid cells */
} KvrStatistics;

static_assert(offsetof(KvrRasterInfo, format_name) == 2568, "KvrRasterInfo.format_name");
static_assert(offsetof(KvrRasterInfo, coordinate_system) == 2840, "KvrRasterInfo.cs");
static_assert(offsetof(KvrFieldInfo, reference_y) == 209984, "KvrFieldInfo.reference_y");
static_assert(offsetof(KvrFieldInfo, cell_x0) == 210088, "KvrFieldInfo.cell_x0");
static_assert(offsetof(KvrFieldInfo, world_min_x) == 210120, "KvrFieldInfo.world_min_x");
static_assert(offsetof(KvrFieldInfo, cell_offset_x) == 210152, "KvrFieldInfo.cell_offset_x");
static_assert(offsetof(KvrFieldInfo, name) == 16, "KvrFieldInfo.name");
static_assert(offsetof(KvrBandInfo, colour_interpretation) == 256, "KvrBandInfo.interpretation");
static_assert(offsetof(KvrBandInfo, band_kind) == 8712, "KvrBandInfo.band_kind");
static_assert(offsetof(KvrBandInfo, value_code) == 8716, "KvrBandInfo.value_code");
static_assert(offsetof(KvrLevelInfo, cell_x0) == 8, "KvrLevelInfo.cell_x0");
static_assert(sizeof(KvrHistogramBin) == 48, "KvrHistogramBin size");
static_assert(offsetof(KvrStatistics, minimum) == 24, "KvrStatistics.minimum");
static_assert(offsetof(KvrStatistics, maximum) == 32, "KvrStatistics.maximum");
static_assert(offsetof(KvrStatistics, bin_count) == 72, "KvrStatistics.bin_count");
static_assert(offsetof(KvrStatistics, bins) == 80, "KvrStatistics.bins");
static_assert(offsetof(KvrStatistics, relief_computed) == 104, "KvrStatistics.relief_computed");
static_assert(offsetof(KvrStatistics, relief) == 128, "KvrStatistics.relief");

/* Function types, one per operation; the engine exports each under KVR_<name> and KVR_H_<name>. */
typedef int (*KvrSetOpenQualityLimitFn)(uint32_t limit, uint8_t flag);
typedef int (*KvrOpenRasterReadOnlyFn)(const kvr_wchar* path, KvrHandle* raster, int32_t mode,
                                       int32_t reserved);
typedef int (*KvrVerifyRasterFn)(const kvr_wchar* path);
typedef int (*KvrGetOpenInfoFn)(KvrHandle raster, KvrHandle* info, int32_t reserved);
typedef int (*KvrRasterInfoFn)(KvrHandle info, const KvrRasterInfo** record);
typedef int (*KvrFieldInfoFn)(KvrHandle info, int32_t field, const KvrFieldInfo** record);
typedef int (*KvrInfoBandCountFn)(KvrHandle info, int32_t field);
typedef int (*KvrBandInfoFn)(KvrHandle info, int32_t field, int32_t band,
                             const KvrBandInfo** record);
typedef int (*KvrInfoLevelCountFn)(KvrHandle info, int32_t field, int32_t reserved);
typedef int (*KvrLevelInfoFn)(KvrHandle info, int32_t field, int32_t reserved, int32_t level,
                              const KvrLevelInfo** record);
typedef int (*KvrGetGridCellRangeFn)(KvrHandle raster, int32_t field, int32_t reserved, int64_t* x0,
                                     int64_t* y0, int64_t* x1, int64_t* y1);
typedef int (*KvrGetCellRangeFn)(KvrHandle raster, int32_t field, int32_t level, int64_t* x0,
                                 int64_t* y0, int64_t* x1, int64_t* y1);
typedef int (*KvrGetCellSizeFn)(KvrHandle raster, int32_t field, int32_t level, double* x,
                                double* y);
typedef int (*KvrConvertCellToWorldFn)(KvrHandle raster, int32_t field, double cell_x,
                                       double cell_y, double* world_x, double* world_y);
typedef int (*KvrGetCSEpsgFn)(KvrHandle info, int32_t* epsg);
typedef int (*KvrGetStatisticsFn)(KvrHandle raster, int32_t field, int32_t band, int32_t reserved,
                                  KvrStatistics** statistics, int32_t mode, int32_t force,
                                  int32_t reserved_minus_one, int32_t reserved_zero);
typedef int (*KvrComputeStatisticsFn)(KvrHandle raster, int32_t field, int32_t band, int32_t level,
                                      int64_t low, int64_t high, KvrStatistics** statistics,
                                      int32_t mode, int32_t reserved_minus_one,
                                      int32_t reserved_zero);
typedef int (*KvrReleaseStatisticsFn)(KvrStatistics** statistics);
typedef int (*KvrPopulateCellBlockFn)(KvrHandle raster, void** data, uint8_t** validity,
                                      int32_t format, int64_t x, int64_t y, int64_t width,
                                      int64_t height, int32_t output_width, int32_t output_height,
                                      int32_t field, int32_t band, int32_t underview_mode,
                                      int64_t low, int64_t high);
typedef int (*KvrReleaseDataFn)(void** buffer);
typedef int (*KvrGetGHXFilenameFn)(KvrHandle raster, kvr_wchar** text);
typedef int (*KvrReleaseStringFn)(kvr_wchar** text);
/* Why the raster's last refused request (cells, statistics) was refused, in words (GDAL's own
 * message where it gave one); an empty text when nothing was refused. Given back through
 * KVR_ReleaseString. Not every engine has it: the plug-in binds it when it is there. */
typedef int (*KvrGetErrorTextFn)(KvrHandle raster, kvr_wchar** text);
typedef int (*KvrReleaseRasterInfoFn)(KvrHandle info);
typedef int (*KvrCloseRasterFn)(KvrHandle raster, uint32_t options, int32_t reserved);
typedef int (*KvrSetCacheSizeFn)(uint32_t megabytes);
/* The threads the engine may read one cell block with, from then on (1, the default, reads on
 * the calling thread; below 1 counts as 1). The threads exist only during a read. Not every
 * engine has it: the plug-in binds it when it is there. */
typedef int (*KvrSetReadThreadsFn)(int32_t threads);

#ifdef __cplusplus
}
#endif

#endif /* KVR_CONTRACT_H */
