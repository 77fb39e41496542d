// The outcome of applying colour information or reading a colour table file.
#pragma once

namespace Tarn::Colour {

struct ColourResult {
    bool success = true;
    int error_code = 0;  // 0 on success
};

}  // namespace Tarn::Colour
