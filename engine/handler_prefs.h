/* The preferences record that the utility library (KVRasterUtility) fills through
 * GetHandlerPrefs, and the two layouts of its format table. Shared with the utility library;
 * depends on nothing else of the project. Valid C11 and C++. */
#ifndef HANDLER_PREFS_H
#define HANDLER_PREFS_H

#include <assert.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
typedef char16_t prefs_wchar;
#else
typedef uint16_t prefs_wchar;
#endif

#define PREFS_FORMAT_TABLE_CAPACITY 20

/* Format table record of KVRasterHandler: served when `served` is nonzero. */
typedef struct FormatDescriptionShort {
    uint8_t unread[256];
    char name[10]; /* NUL-terminated */
    uint8_t served;
} FormatDescriptionShort;

/* Format table record of KVRasterHandlerGDAL: served when both flags are nonzero. */
typedef struct FormatDescriptionLong {
    uint8_t unread[256];
    char name[20]; /* NUL-terminated */
    uint8_t served_a;
    uint8_t served_b;
} FormatDescriptionLong;

typedef struct HandlerPrefs {
    int32_t default_colouring_mode;     /* 0 to 3 */
    prefs_wchar colour_table_file[256]; /* UTF-16, NUL-terminated */
    uint8_t reserved516[512];
    uint8_t shading_on;
    uint8_t reserved1029[3];
    int32_t light_azimuth;
    int32_t light_elevation;
    int32_t light_intensity;
    int32_t ambient_brightness;
    int32_t relief_contrast;
    uint8_t highlights_on;
    uint8_t reserved1053[3];
    int32_t highlight_azimuth;
    int32_t highlight_elevation;
    int32_t highlight_size;
    uint8_t bind_h_names; /* bind the KVR_H_ name set */
    uint8_t reserved1069[3];
    int32_t cache_size;       /* megabytes, for KVR_H_SetCacheSize */
    int32_t open_mode_choice; /* 0 -> engine mode 3, 1 -> 4, else 2 */
    uint8_t quality_flag;
    uint8_t reserved1081[3];
    int32_t quality_limit; /* 0 means 0x4000000 */
    int32_t short_format_count;
    FormatDescriptionShort short_formats[PREFS_FORMAT_TABLE_CAPACITY];
    int32_t long_format_count;
    FormatDescriptionLong long_formats[PREFS_FORMAT_TABLE_CAPACITY];
    uint8_t unread11996;
    uint8_t reserved11997[3];
    uint8_t underview_preference;
    uint8_t reserved12001[3];
    int32_t underview_mode;
    /* Added by this project after the fields above, whose places are fixed: a utility library
     * that knows only those leaves it as the plug-in set it (0). */
    int32_t draw_threads; /* threads of the pixel pass; 0 one per core (at most 8), 1 none */
} HandlerPrefs;

static_assert(sizeof(FormatDescriptionShort) == 267, "FormatDescriptionShort size");
static_assert(offsetof(FormatDescriptionShort, name) == 256, "FormatDescriptionShort.name");
static_assert(offsetof(FormatDescriptionShort, served) == 266, "FormatDescriptionShort.served");
static_assert(sizeof(FormatDescriptionLong) == 278, "FormatDescriptionLong size");
static_assert(offsetof(FormatDescriptionLong, name) == 256, "FormatDescriptionLong.name");
static_assert(offsetof(FormatDescriptionLong, served_a) == 276, "FormatDescriptionLong.a");
static_assert(offsetof(FormatDescriptionLong, served_b) == 277, "FormatDescriptionLong.b");

static_assert(offsetof(HandlerPrefs, colour_table_file) == 4, "HandlerPrefs.colour_table_file");
static_assert(offsetof(HandlerPrefs, shading_on) == 1028, "HandlerPrefs.shading_on");
static_assert(offsetof(HandlerPrefs, light_azimuth) == 1032, "HandlerPrefs.light_azimuth");
static_assert(offsetof(HandlerPrefs, light_elevation) == 1036, "HandlerPrefs.light_elevation");
static_assert(offsetof(HandlerPrefs, light_intensity) == 1040, "HandlerPrefs.light_intensity");
static_assert(offsetof(HandlerPrefs, ambient_brightness) == 1044, "HandlerPrefs.ambient");
static_assert(offsetof(HandlerPrefs, relief_contrast) == 1048, "HandlerPrefs.relief_contrast");
static_assert(offsetof(HandlerPrefs, highlights_on) == 1052, "HandlerPrefs.highlights_on");
static_assert(offsetof(HandlerPrefs, highlight_azimuth) == 1056, "HandlerPrefs.hl_azimuth");
static_assert(offsetof(HandlerPrefs, highlight_elevation) == 1060, "HandlerPrefs.hl_elevation");
static_assert(offsetof(HandlerPrefs, highlight_size) == 1064, "HandlerPrefs.highlight_size");
static_assert(offsetof(HandlerPrefs, bind_h_names) == 1068, "HandlerPrefs.bind_h_names");
static_assert(offsetof(HandlerPrefs, cache_size) == 1072, "HandlerPrefs.cache_size");
static_assert(offsetof(HandlerPrefs, open_mode_choice) == 1076, "HandlerPrefs.open_mode");
static_assert(offsetof(HandlerPrefs, quality_flag) == 1080, "HandlerPrefs.quality_flag");
static_assert(offsetof(HandlerPrefs, quality_limit) == 1084, "HandlerPrefs.quality_limit");
static_assert(offsetof(HandlerPrefs, short_format_count) == 1088, "HandlerPrefs.short_count");
static_assert(offsetof(HandlerPrefs, short_formats) == 1092, "HandlerPrefs.short_formats");
static_assert(offsetof(HandlerPrefs, long_format_count) == 6432, "HandlerPrefs.long_count");
static_assert(offsetof(HandlerPrefs, long_formats) == 6436, "HandlerPrefs.long_formats");
static_assert(offsetof(HandlerPrefs, unread11996) == 11996, "HandlerPrefs.unread11996");
static_assert(offsetof(HandlerPrefs, underview_preference) == 12000, "HandlerPrefs.underview");
static_assert(offsetof(HandlerPrefs, underview_mode) == 12004, "HandlerPrefs.underview_mode");
static_assert(offsetof(HandlerPrefs, draw_threads) == 12008, "HandlerPrefs.draw_threads");

/* The utility library's exports. */
typedef void (*GetHandlerPrefsFn)(HandlerPrefs* prefs);
typedef int (*GetRasterProgramDirFn)(prefs_wchar* buffer, int32_t capacity);
typedef int (*GetColourPalatteDirFn)(prefs_wchar* buffer, int32_t capacity);

#ifdef __cplusplus
}
#endif

#endif /* HANDLER_PREFS_H */
