// A place of rhtool's own for the render style of one command: a temporary directory that the
// plug-in is told to keep style documents in (the "StyleDirectory" setting, in a copy of the
// per-user registry file that this process points the plug-in at), and where colour table files
// given by path are put for it. The raster's own document is never touched; everything goes
// when the sandbox does.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace Tarn::Tools {

// The document the plug-in keeps beside `raster` (dem.tif -> dem_tif.ghx).
std::string StyleDocumentBeside(const std::string& raster);
// The document the plug-in uses for `raster`: beside it, else the one it keeps in the temporary
// directory when the raster's directory cannot be written; nothing when there is none yet.
std::optional<std::string> StyleDocumentInUse(const std::string& raster);

class StyleSandbox {
public:
    // Null with `error` set when the directory or the registry copy cannot be made.
    static std::unique_ptr<StyleSandbox> Create(std::string& error);
    ~StyleSandbox();  // points the plug-in back at the user's registry, removes the directory
    StyleSandbox(const StyleSandbox&) = delete;
    StyleSandbox& operator=(const StyleSandbox&) = delete;

    // Where the plug-in keeps the style document of `raster` while the sandbox lives.
    std::string DocumentFor(const std::string& raster) const;

    // Copies a colour table file into the sandbox and makes it the plug-in's colour palette
    // directory; the file's name is what a style names it by.
    bool AddPalette(const std::string& path, std::string& error);
    const std::string& PaletteDirectory() const { return palettes_; }

private:
    StyleSandbox() = default;
    std::string reserved_;  // the unique file that reserves the directory's name
    std::string directory_;
    std::string styles_;
    std::string palettes_;
    std::string registry_;
    std::optional<std::string> previous_registry_variable_;
};

}  // namespace Tarn::Tools
