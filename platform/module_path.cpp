// Loaded objects through dl_iterate_phdr; the executable through /proc/self/exe.
#include "platform/module_path.h"

#include <link.h>
#include <unistd.h>

#include <climits>
#include <vector>

namespace Tarn::Platform {
namespace {

struct ModuleSearch {
    std::string_view file_name;
    std::optional<std::string> found;
};

int VisitModule(dl_phdr_info* info, size_t /*size*/, void* data) {
    auto* search = static_cast<ModuleSearch*>(data);
    if (info->dlpi_name == nullptr || info->dlpi_name[0] == '\0') return 0;
    const std::string_view path(info->dlpi_name);
    const size_t slash = path.rfind('/');
    const std::string_view base = slash == std::string_view::npos ? path : path.substr(slash + 1);
    if (base != search->file_name) return 0;
    // dlopen records the path as it was given; make it absolute so callers get a directory.
    char resolved[PATH_MAX];
    search->found = realpath(info->dlpi_name, resolved) ? std::string(resolved) : std::string(path);
    return 1;
}

}  // namespace

std::optional<std::string> FindLoadedModule(std::string_view file_name) {
    ModuleSearch search{file_name, std::nullopt};
    dl_iterate_phdr(VisitModule, &search);
    return search.found;
}

std::string ExecutablePath() {
    std::vector<char> buffer(PATH_MAX);
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0) return {};
    return std::string(buffer.data(), static_cast<size_t>(length));
}

}  // namespace Tarn::Platform
