// make_sample_dem: writes the sample DEM that the demo draws.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/sample_dem.h"

namespace {

constexpr const char* kUsage =
    "Usage: make_sample_dem OUT.tif [--size WxH] [--seed N]\n"
    "Writes a synthetic DEM (Float32 GeoTIFF, 30 m cells, UTM zone 33 north) with a mountain\n"
    "range, hills and a sea without data. Default size 2048x2048.\n";

bool ParseInt(const char* text, const char* end, int& value) {
    const auto [next, ec] = std::from_chars(text, end, value);
    return ec == std::errc() && next == end;
}

}  // namespace

int main(int argc, char** argv) {
    Tarn::Tools::SampleDemOptions options;
    std::string output;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool has_value = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--size" && has_value) {
            const std::string size = argv[++i];
            const size_t x = size.find('x');
            if (x == std::string::npos || !ParseInt(size.data(), size.data() + x, options.width) ||
                !ParseInt(size.data() + x + 1, size.data() + size.size(), options.height) ||
                options.width <= 0 || options.height <= 0) {
                std::fprintf(stderr, "make_sample_dem: bad size %s\n%s", size.c_str(), kUsage);
                return 1;
            }
        } else if (arg == "--seed" && has_value) {
            int seed = 0;
            if (!ParseInt(argv[i + 1], argv[i + 1] + std::strlen(argv[i + 1]), seed)) {
                std::fprintf(stderr, "make_sample_dem: bad seed %s\n%s", argv[i + 1], kUsage);
                return 1;
            }
            options.seed = static_cast<uint32_t>(seed);
            ++i;
        } else if (output.empty() && !arg.empty() && arg[0] != '-') {
            output = arg;
        } else {
            std::fprintf(stderr, "make_sample_dem: unexpected argument %s\n%s", arg.c_str(),
                         kUsage);
            return 1;
        }
    }
    if (output.empty()) {
        std::fputs(kUsage, stderr);
        return 1;
    }
    std::string error;
    if (!Tarn::Tools::WriteSampleDem(output, options, error)) {
        std::fprintf(stderr, "make_sample_dem: %s\n", error.c_str());
        return 2;
    }
    std::printf("%s\n", output.c_str());
    return 0;
}
