// Where a raster's render style document lives: beside the raster (dem.tif -> dem_tif.ghx), or
// in the temporary directory when the raster's directory cannot take it.
#pragma once

#include <string>
#include <string_view>

#include "handler/handler_context.h"

namespace Tarn::Handler {

// Sets the context's render style path: the engine's suggested GHX file name in the raster's
// directory, else the raster path with the extension's dot turned into "_" and ".ghx" added;
// in the "StyleDirectory" setting's directory instead when that is set.
void DeriveStyleFileName(HandlerContext& context, std::u16string_view raster_path);

// The style path derived from the raster path alone.
std::u16string StylePathBeside(std::u16string_view raster_path);

// Whether a style document can be written at `path`: an existing file must be readable and
// writable, and a new file must be creatable (tried and removed again). Since documents are
// saved by replacing the file with a new one, the directory must take new files in both cases.
bool StylePlaceWritable(std::u16string_view path);

// Where the document named `document` (its directory is dropped) of the raster at
// `raster_path` lies in the temporary directory: its name with a digest of the raster's
// absolute path before the extension (dem_tif-0123456789abcdef.ghx), so that rasters of one
// file name in different directories keep their documents apart.
std::u16string StylePathInTemp(std::u16string_view raster_path, std::u16string_view document);

// Moves the style path into the temporary directory (StylePathInTemp) and marks the document
// for deletion at close.
void PlaceStyleInTemp(HandlerContext& context);

}  // namespace Tarn::Handler
