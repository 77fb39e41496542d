// What rhtool tells a user when a file cannot be drawn: the file's own trouble (missing, a
// directory, empty, unreadable, not a raster) and the plug-in's error codes in words.
#pragma once

#include <cstdint>
#include <string>

namespace Tarn::Tools {

// Why `path` cannot be a raster before anyone reads it; empty when it may be one.
std::string FileTrouble(const std::string& path);

// Why the plug-in does not take a file that exists: GDAL cannot read it, or its extension is
// not among the plug-in's formats.
std::string NotTakenReason(const std::string& path);

// Why the cells of the raster at `path` cannot be read, in GDAL's words (the first block of any
// field or band that fails); empty when every block reads. It reads the whole raster: for a
// picture that failed, not before.
std::string UnreadableCellsReason(const std::string& path);

// "error code 4: not enough memory for a picture of W x H", and the like.
std::string PluginErrorWords(int32_t code, int64_t width, int64_t height);

}  // namespace Tarn::Tools
