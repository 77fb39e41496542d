// The render style document as rhtool changes it: colour tables found by name or path, and the
// styling options written into the document through the serializer.
#pragma once

#include <string>
#include <vector>

#include "colour/colour_values.h"
#include "tools/style_options.h"

namespace Tarn::Tools {

class StyleSandbox;

// The plug-in's colour palette directory: the "ColorPalettes" setting, else "ColorPalettes"
// beside the plug-in.
std::string PluginPaletteDirectory(const std::string& plugin_path);

// Finds --palette values: a shipped table by name (ignoring case, with or without its
// extension) in the palette directory, or a file by path, which goes into the sandbox.
class PaletteFinder {
public:
    PaletteFinder(std::string directory, StyleSandbox* sandbox)
        : directory_(std::move(directory)), sandbox_(sandbox) {}

    // The name a style document gives the table; throws UsageError when there is no such
    // table or it does not read.
    std::u16string Resolve(const std::string& value);
    // The table's colours, empty when it does not read.
    std::vector<Colour::PackedColour> Colours(const std::u16string& name) const;
    // Where the table named `name` is.
    std::string PathOf(const std::u16string& name) const;

private:
    std::string directory_;
    StyleSandbox* sandbox_;
};

// Whether the document has a transform of that name (ignoring case).
bool HasTransform(const std::string& document, const std::string& name);

// Applies the changes to the document: layout first, then colouring on each transform that
// colours the resulting layout. Throws UsageError for an option that does not fit the layout,
// std::runtime_error when the document cannot be read or written.
void ApplyStyleChanges(const std::string& document, std::vector<RequestedStyleChange> changes,
                       const RasterBandsView& bands);

}  // namespace Tarn::Tools
