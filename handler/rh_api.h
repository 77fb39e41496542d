/* The raster handler's host interface: the thirteen RH_ entry points and the records that cross
 * the boundary between the host and the plug-in, byte by byte. Valid C11 and C++. */
#ifndef RH_API_H
#define RH_API_H

#include <assert.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
/* Wide text on this boundary is UTF-16, whatever the platform's own wide character type. */
typedef char16_t rh_wchar;
#else
typedef uint16_t rh_wchar;
#endif

#define RH_EXPORT __attribute__((visibility("default")))

#define RH_INTERFACE_VERSION 3
#define RH_MAX_EXTENSIONS 100
#define RH_EXTENSION_SLOT 10

/* Error codes left in HostRasterRecord.error_code. */
#define RH_ERROR_NONE 0
#define RH_ERROR_ENGINE 2 /* the raster engine or the render style failed */
#define RH_ERROR_MEMORY 4 /* out of memory */

/* Filled by RH_Identify. */
typedef struct HandlerIdentity {
    int16_t version;     /* always 3 */
    char file_name[512]; /* own file name in capitals */
    char description[512];
    int16_t extension_count;                               /* 0 to 100 */
    char extensions[RH_MAX_EXTENSIONS][RH_EXTENSION_SLOT]; /* without dot, NUL-padded */
} HandlerIdentity;

/* One corner: cell position and world position, each with a homogeneous 1.0. */
typedef struct ControlPoint {
    double cell_x, cell_y, cell_w;
    double world_x, world_y, world_w;
} ControlPoint;

#define RH_REGISTRATION_MAGIC 0xDCBAu
#define RH_REGISTRATION_FREED 0xBADu

/* Hung on the host record for georeferenced rasters; allocated with malloc. */
typedef struct RegistrationPoints {
    uint32_t magic; /* 0xDCBA while alive, 0xBAD just before it is freed */
    uint32_t size;  /* 384 */
    uint8_t zero8[176];
    int32_t count; /* 4 */
    uint8_t zero188[4];
    ControlPoint points[4];
} RegistrationPoints;

/* The host's per-raster record. Only the named fields belong to the plug-in; the host allocates
 * at least sizeof(HostRasterRecord) bytes and owns the rest. */
typedef struct HostRasterRecord {
    uint8_t host0[4];
    int32_t open_reset; /* set to 0 at the start of every open */
    char path[512];     /* UTF-8; no terminator when the path fills all 512 bytes */
    int32_t width;
    int32_t height;
    uint8_t host528[4];
    int32_t open_level; /* 3 once an open got past the engine */
    void* auxiliary;    /* never created here; released by RH_Close */
    uint8_t host544[8];
    RegistrationPoints* registration;
    int32_t error_code;
    uint8_t host564[12];
    void* context; /* the handler context */
} HostRasterRecord;

#define RH_AUXILIARY_FREED 0xAFAFu

/* A half-open rectangle: x0 <= x < x1, y0 <= y < y1. */
typedef struct DrawRect {
    int32_t x0, y0, x1, y1;
} DrawRect;

static_assert(sizeof(HandlerIdentity) == 2028, "HandlerIdentity size");
static_assert(offsetof(HandlerIdentity, file_name) == 2, "HandlerIdentity.file_name");
static_assert(offsetof(HandlerIdentity, description) == 514, "HandlerIdentity.description");
static_assert(offsetof(HandlerIdentity, extension_count) == 1026, "HandlerIdentity.count");
static_assert(offsetof(HandlerIdentity, extensions) == 1028, "HandlerIdentity.extensions");

static_assert(sizeof(ControlPoint) == 48, "ControlPoint size");
static_assert(sizeof(RegistrationPoints) == 384, "RegistrationPoints size");
static_assert(offsetof(RegistrationPoints, size) == 4, "RegistrationPoints.size");
static_assert(offsetof(RegistrationPoints, count) == 184, "RegistrationPoints.count");
static_assert(offsetof(RegistrationPoints, points) == 192, "RegistrationPoints.points");

static_assert(sizeof(HostRasterRecord) == 584, "HostRasterRecord size");
static_assert(offsetof(HostRasterRecord, open_reset) == 4, "HostRasterRecord.open_reset");
static_assert(offsetof(HostRasterRecord, path) == 8, "HostRasterRecord.path");
static_assert(offsetof(HostRasterRecord, width) == 520, "HostRasterRecord.width");
static_assert(offsetof(HostRasterRecord, height) == 524, "HostRasterRecord.height");
static_assert(offsetof(HostRasterRecord, open_level) == 532, "HostRasterRecord.open_level");
static_assert(offsetof(HostRasterRecord, auxiliary) == 536, "HostRasterRecord.auxiliary");
static_assert(offsetof(HostRasterRecord, registration) == 552, "HostRasterRecord.registration");
static_assert(offsetof(HostRasterRecord, error_code) == 560, "HostRasterRecord.error_code");
static_assert(offsetof(HostRasterRecord, context) == 576, "HostRasterRecord.context");

static_assert(sizeof(DrawRect) == 16, "DrawRect size");

/* Every entry point returns 1 for success and 0 for failure. */
RH_EXPORT int RH_Identify(HandlerIdentity* identity);
RH_EXPORT int RH_IsFormat(const char* path);
RH_EXPORT int RH_IsFormatW(const rh_wchar* path);
RH_EXPORT int RH_Open(HostRasterRecord* host, const char* path, uint32_t flags);
RH_EXPORT int RH_OpenW(HostRasterRecord* host, const rh_wchar* path, uint32_t flags);
RH_EXPORT int RH_GetCapabilities(HostRasterRecord* host, int* capability);
RH_EXPORT int RH_GetCorvaneCoordinateSystem(HostRasterRecord* host, char** buffer, int32_t size);
RH_EXPORT int RH_StartDraw(HostRasterRecord* host, const DrawRect* output, const DrawRect* cells,
                           double lines_per_row, int* output_width);
RH_EXPORT int RH_GetLine(HostRasterRecord* host, int32_t line, uint8_t** row, int16_t* flag);
RH_EXPORT int RH_GetBlock(HostRasterRecord* host, uint8_t** pixels, DrawRect* rect);
RH_EXPORT int RH_EndDraw(HostRasterRecord* host);
RH_EXPORT int RH_Close(HostRasterRecord* host);
RH_EXPORT int RH_GetTransparentColorFromImage(HostRasterRecord* host, uint8_t* blue_green_red);

#ifdef __cplusplus
}
#endif

#endif /* RH_API_H */
