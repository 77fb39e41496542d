// The stream factory: the name-to-creator table and the process's one instance.
#include "system/file_stream_factory.h"

namespace Tarn::File {

CFileStreamFactory& CFileStreamFactory::Instance() {
    static CFileStreamFactory factory;
    // A stream made before the engine is bound (a colour table read by a tool, say) must still
    // get its real class rather than the memory fallback.
    static const bool filled = (RegisterStandardStreamClasses(factory), true);
    (void)filled;
    return factory;
}

CFileStreamFactory::CFileStreamFactory() = default;

CFileStreamFactory::~CFileStreamFactory() = default;

void CFileStreamFactory::Register(std::string name, Creator creator) {
    const std::lock_guard<std::mutex> lock(mutex_);
    creators_.insert_or_assign(std::move(name), creator);
}

std::unique_ptr<IFileStream> CFileStreamFactory::Create(std::string_view name) const {
    Creator creator = nullptr;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        const auto found = creators_.find(name);
        if (found == creators_.end()) return nullptr;
        creator = found->second;
    }
    return creator != nullptr ? creator() : nullptr;
}

}  // namespace Tarn::File
