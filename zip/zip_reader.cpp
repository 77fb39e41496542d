// The archive's directory, entry lookup and chunked entry reads, with the checks that keep a
// damaged or hostile archive from making the reader allocate or trust what is not there.
#include "zip/zip_reader.h"

#include <algorithm>
#include <limits>
#include <span>

#include "system/utf.h"
#include "zip/zip_entry_name.h"
#include "zip/zip_entry_times.h"
#include "zip/zip_handle_state.h"

namespace Tarn::Zip {
namespace {

// Deflate codes at best 258 repeated bytes in about two bits.
constexpr uint64_t kMaxDeflateRatio = 1032;
// The other methods libzip decodes (bzip2, LZMA, xz, zstd) can outdo deflate on degenerate
// data, but a claim this far beyond the bytes present is hostile: a buffered read sizes its
// buffer from it.
constexpr uint64_t kMaxCompressionRatio = 4096;

constexpr uint8_t kHostUnix = 3;
constexpr uint32_t kUnixTypeMask = 0170000;
constexpr uint32_t kUnixDirectory = 0040000;
constexpr uint32_t kUnixWriteBits = 0222;

bool FailRead(ZipResult result) {
    SetReadResult(result);
    return false;
}

bool CheckReader(ZipHandle* handle) {
    if (handle == nullptr) return FailRead(ZipResult::NoHandle);
    if (handle->kind != ZipHandle::Kind::Reader) return FailRead(ZipResult::WrongHandle);
    return true;
}

ZipResult ArchiveError(zip_t* archive) {
    return ResultFromLibzip(zip_error_code_zip(zip_get_error(archive)));
}

// The DOS attribute bits sit in the low byte whoever wrote the entry (Info-ZIP fills them on
// Unix too); Unix writers keep the file mode in the high half.
uint32_t AttributesOf(zip_t* archive, uint64_t index, std::u16string_view name) {
    zip_uint8_t host = 0;
    zip_uint32_t external = 0;
    uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &host, &external) == 0) {
        attributes =
            external & (EntryReadOnly | EntryHidden | EntrySystem | EntryDirectory | EntryArchive);
        const uint32_t mode = external >> 16;
        if (host == kHostUnix && mode != 0) {
            if ((mode & kUnixTypeMask) == kUnixDirectory) attributes |= EntryDirectory;
            if ((mode & kUnixWriteBits) == 0) attributes |= EntryReadOnly;
        }
    }
    if (!name.empty() && name.back() == u'/') attributes |= EntryDirectory;
    return attributes;
}

// The local header's copy of a field is the fuller one (the directory's extended timestamp
// keeps only the modification time); a local header that cannot be read leaves the directory's.
std::span<const uint8_t> ExtraField(zip_t* archive, uint64_t index, uint16_t id) {
    for (const zip_flags_t where : {ZIP_FL_LOCAL, ZIP_FL_CENTRAL}) {
        zip_uint16_t length = 0;
        const zip_uint8_t* data =
            zip_file_extra_field_get_by_id(archive, index, id, 0, &length, where);
        if (data != nullptr) return {data, length};
    }
    zip_error_clear(archive);
    return {};
}

bool SizesFit(const ZipEntry& entry, uint64_t archive_size) {
    if (entry.compressed_size > archive_size) return false;
    if (entry.method == ZIP_CM_STORE) return entry.uncompressed_size == entry.compressed_size;
    const uint64_t ratio = entry.method == ZIP_CM_DEFLATE ? kMaxDeflateRatio : kMaxCompressionRatio;
    return entry.uncompressed_size / ratio <= entry.compressed_size;
}

}  // namespace

int64_t CountEntries(ZipHandle* handle) {
    if (!CheckReader(handle)) return -1;
    SetReadResult(ZipResult::Ok);
    return zip_get_num_entries(handle->archive, 0);
}

bool GetEntry(ZipHandle* handle, uint64_t index, ZipEntry& entry) {
    if (!CheckReader(handle)) return false;
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(handle->archive, index, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_NAME)) {
        const ZipResult result = ArchiveError(handle->archive);
        SetReadResult(result == ZipResult::ReadFailed ? ZipResult::NoSuchEntry : result);
        return false;
    }
    entry = ZipEntry{};
    entry.index = index;
    entry.name = NormaliseEntryName(System::Utf8ToWide(stat.name));
    if (stat.valid & ZIP_STAT_SIZE) entry.uncompressed_size = stat.size;
    if (stat.valid & ZIP_STAT_COMP_SIZE) entry.compressed_size = stat.comp_size;
    if (stat.valid & ZIP_STAT_COMP_METHOD) entry.method = stat.comp_method;
    entry.encrypted =
        (stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE;
    entry.attributes = AttributesOf(handle->archive, index, entry.name);
    const int64_t dos_time = (stat.valid & ZIP_STAT_MTIME) ? static_cast<int64_t>(stat.mtime) : 0;
    const EntryTimes times =
        EntryTimesFromExtraFields(ExtraField(handle->archive, index, ExtendedTimestampField),
                                  ExtraField(handle->archive, index, NtfsTimesField), dos_time);
    entry.creation_time = times.creation;
    entry.access_time = times.access;
    entry.modification_time = times.modification;
    SetReadResult(ZipResult::Ok);
    return true;
}

bool FindEntry(ZipHandle* handle, std::u16string_view name, ZipEntry& entry) {
    if (!CheckReader(handle)) return false;
    const std::u16string wanted = NormaliseEntryName(name);
    if (!IsSafeEntryName(wanted)) return FailRead(ZipResult::UnsafeName);
    uint64_t index = 0;
    if (!LocateEntry(handle->archive, wanted, true, index)) {
        return FailRead(ZipResult::NoSuchEntry);
    }
    return GetEntry(handle, index, entry);
}

bool OpenEntry(ZipHandle* handle, uint64_t index) {
    if (!CheckReader(handle)) return false;
    handle->CloseEntry();
    ZipEntry entry;
    if (!GetEntry(handle, index, entry)) return false;
    if (!IsSafeEntryName(entry.name)) return FailRead(ZipResult::UnsafeName);
    if (entry.encrypted) return FailRead(ZipResult::Encrypted);
    if (!SizesFit(entry, handle->archive_size)) {
        return FailRead(ZipResult::Inconsistent);
    }
    handle->entry = zip_fopen_index(handle->archive, index, 0);
    if (handle->entry == nullptr) return FailRead(ArchiveError(handle->archive));
    handle->entry_size = entry.uncompressed_size;
    handle->entry_delivered = 0;
    SetReadResult(ZipResult::Ok);
    return true;
}

ZipResult ReadEntry(ZipHandle* handle, void* buffer, uint64_t capacity, uint64_t& delivered) {
    delivered = 0;
    if (!CheckReader(handle)) return LastReadResult();
    zip_file_t* entry = handle->entry;
    if (entry == nullptr) return SetReadResult(ZipResult::NoEntryOpen);
    const auto file_error = [entry] {
        return ResultFromLibzip(zip_error_code_zip(zip_file_get_error(entry)));
    };

    const uint64_t wanted = std::min(capacity, handle->entry_size - handle->entry_delivered);
    if (wanted > 0) {
        const zip_int64_t got = zip_fread(entry, buffer, wanted);
        if (got < 0) return SetReadResult(file_error());
        delivered = static_cast<uint64_t>(got);
        handle->entry_delivered += delivered;
        // libzip fills the buffer unless the data ends or fails first.
        if (delivered < wanted) return SetReadResult(ZipResult::BadData);
    }
    if (handle->entry_delivered < handle->entry_size) return SetReadResult(ZipResult::MoreData);

    // At the size the directory claims the data must end, which is also when libzip checks the
    // checksum and the length.
    uint8_t beyond = 0;
    const zip_int64_t got = zip_fread(entry, &beyond, 1);
    if (got == 0) return SetReadResult(ZipResult::EndOfEntry);
    return SetReadResult(got > 0 ? ZipResult::BadData : file_error());
}

}  // namespace Tarn::Zip
