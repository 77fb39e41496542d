// The outcome of applying colour information or reading a colour table file, and the result
// codes that the colour table files share with the render style document.
#pragma once

namespace Tarn::Colour {

struct ColourResult {
    bool success = true;
    int error_code = 0;  // 0 on success
};

inline constexpr int kErrorUnexpected = 20000;
inline constexpr int kErrorUnsupportedTableExtension = 20104;
// A VCP file without one of the two tag lines, or whose count or control points are not numbers.
inline constexpr int kErrorBadVcpFile = 20118;
inline constexpr int kErrorFileMissing = 20119;

inline ColourResult ColourFailure(int code) {
    return {false, code};
}

}  // namespace Tarn::Colour
