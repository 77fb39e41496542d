// CFileStreamFactory: makes streams from their class names. There is one per process, filled
// with the library's stream classes when it is first used.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "system/file_stream.h"
#include "system/uncopyable.h"

namespace Tarn::File {

class CFileStreamFactory : public System::CUncopyable {
public:
    // A new stream owned by the caller, or null.
    using Creator = std::unique_ptr<IFileStream> (*)();

    static CFileStreamFactory& Instance();

    CFileStreamFactory();
    virtual ~CFileStreamFactory();

    // Enters or replaces the creator for `name`.
    void Register(std::string name, Creator creator);
    // Null unless a creator is registered under exactly `name` (case counts).
    std::unique_ptr<IFileStream> Create(std::string_view name) const;

private:
    // Streams may be made on any thread; registration happens while the engine is bound.
    mutable std::mutex mutex_;
    std::map<std::string, Creator, std::less<>> creators_;
};

// The library's own classes; defined beside RegisterStreamClasses.
void RegisterStandardStreamClasses(CFileStreamFactory& factory);

}  // namespace Tarn::File
