// Zip archives through the archive entry stream: the first file entry read whole into memory,
// then again straight from the archive, seeking back once on the way.
#include "fuzz_support.h"
#include "system/file_stream_mode.h"
#include "system/zip_file_stream.h"

using namespace Tarn::File;

namespace {

void ReadAll(CZipFileStream& stream) {
    char buffer[4096];
    while (stream.Do_Read(buffer, sizeof buffer) == static_cast<int64_t>(sizeof buffer)) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::u16string entry = Tarn::Fuzz::InputFile(".zip", data, size) + u"/*";
    for (uint32_t mode : {ModeRead, ModeRead | ModeArchiveDirect}) {
        CZipFileStream stream;
        if (!stream.Do_Open(entry, mode)) continue;
        stream.Do_GetLength();
        ReadAll(stream);
        stream.Do_Seek(0, SEEK_SET);
        ReadAll(stream);
        stream.Do_Close(false);
    }
    return 0;
}
