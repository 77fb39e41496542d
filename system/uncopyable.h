// CUncopyable: the base of classes that own a resource and must be neither copied nor assigned.
#pragma once

namespace Tarn::System {

class CUncopyable {
public:
    CUncopyable(const CUncopyable&) = delete;
    CUncopyable& operator=(const CUncopyable&) = delete;

protected:
    CUncopyable() = default;
    ~CUncopyable() = default;
};

}  // namespace Tarn::System
