// The user's raster preferences from the utility library: each reader fills a fresh HandlerPrefs
// with the defaults and lets GetHandlerPrefs overwrite what it knows. Without GetHandlerPrefs the
// readers give fixed values instead.
#pragma once

#include <cstdint>

#include "engine/handler_prefs.h"

namespace Tarn::Engine {

// The record as the plug-in hands it to GetHandlerPrefs.
HandlerPrefs DefaultHandlerPrefs();

// The defaults overwritten by GetHandlerPrefs; false (and the defaults alone) when it is not
// bound.
bool ReadHandlerPrefs(HandlerPrefs& prefs);

// Engine open mode for KVR_OpenRasterReadOnly: choice 0 gives 3, 1 gives 4, anything else 2.
int32_t ReadOpenMode();

struct OpenQualityLimit {
    uint32_t limit;  // 0 in the preferences means 0x4000000
    uint8_t flag;
};
OpenQualityLimit ReadOpenQualityLimit();

// Megabytes for KVR_H_SetCacheSize.
int32_t ReadCacheSize();

// Whether the engine's KVR_H_ name set is bound instead of the KVR_ set.
bool ReadBindHNames();

bool ReadUnderviewPreference();
int32_t ReadUnderviewMode();

// Threads for a picture's pixel pass and the engine's read of its cells: 0 (also without
// preferences) for one per core.
int32_t ReadDrawThreads();

}  // namespace Tarn::Engine
