// The process-wide tables that turn uint32 handles into open rasters and information records.
// Lookups hand out shared ownership, so closing a handle on one thread never frees what another
// thread is still reading.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace Tarn::RasterApi {

// Next handle value, unique across every table of the process: a raster handle is never
// mistaken for an information handle. Never 0 or 0xFFFFFFFF.
uint32_t NextHandleValue();

template <typename T>
class HandleTable {
public:
    uint32_t Add(std::shared_ptr<T> item) {
        std::lock_guard lock(mutex_);
        uint32_t handle = NextHandleValue();
        while (items_.count(handle) != 0) handle = NextHandleValue();
        items_.emplace(handle, std::move(item));
        return handle;
    }

    std::shared_ptr<T> Find(uint32_t handle) const {
        std::lock_guard lock(mutex_);
        const auto found = items_.find(handle);
        return found == items_.end() ? nullptr : found->second;
    }

    // The item leaves the table; it is destroyed when its last user lets go, outside the lock.
    std::shared_ptr<T> Remove(uint32_t handle) {
        std::lock_guard lock(mutex_);
        const auto found = items_.find(handle);
        if (found == items_.end()) return nullptr;
        std::shared_ptr<T> item = std::move(found->second);
        items_.erase(found);
        return item;
    }

private:
    mutable std::mutex mutex_;
    std::unordered_map<uint32_t, std::shared_ptr<T>> items_;
};

}  // namespace Tarn::RasterApi
