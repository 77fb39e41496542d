// Adding entries from memory to a writer's archive.
#include "zip/zip_writer.h"

#include "system/utf.h"
#include "zip/zip_entry_name.h"
#include "zip/zip_handle_state.h"

namespace Tarn::Zip {
namespace {

bool FailWrite(ZipResult result) {
    SetWriteResult(result);
    return false;
}

}  // namespace

bool AddEntry(ZipHandle* handle, std::u16string_view name, std::vector<uint8_t> bytes) {
    if (handle == nullptr) return FailWrite(ZipResult::NoHandle);
    if (handle->kind != ZipHandle::Kind::Writer) {
        return FailWrite(ZipResult::WrongHandle);
    }
    const std::u16string entry_name = NormaliseEntryName(name);
    if (!IsSafeEntryName(entry_name) || entry_name.back() == u'/') {
        return FailWrite(ZipResult::UnsafeName);
    }
    zip_t* archive = handle->archive;
    const auto failure = [archive] {
        const ZipResult result = ResultFromLibzip(zip_error_code_zip(zip_get_error(archive)));
        return FailWrite(result == ZipResult::OutOfMemory ? result : ZipResult::WriteFailed);
    };

    const std::vector<uint8_t>& kept = handle->pending.emplace_back(std::move(bytes));
    zip_source_t* source = zip_source_buffer(archive, kept.data(), kept.size(), 0);
    if (source == nullptr) return failure();

    uint64_t index = 0;
    if (LocateEntry(archive, entry_name, false, index)) {
        if (zip_file_replace(archive, index, source, 0) != 0) {
            zip_source_free(source);
            return failure();
        }
    } else {
        const std::string utf8 = System::WideToUtf8(entry_name);
        if (zip_file_add(archive, utf8.c_str(), source, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(source);
            return failure();
        }
    }
    SetWriteResult(ZipResult::Ok);
    return true;
}

}  // namespace Tarn::Zip
