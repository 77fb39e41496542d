// The archive entry stream: choosing the state at open, finding the entry, buffered and direct
// reads, seeking, and storing new and changed entries at close.
#include "system/zip_file_stream.h"

#include <algorithm>
#include <cstring>

#include "platform/file_system.h"
#include "platform/memory_status.h"
#include "system/text_utils.h"
#include "system/utf.h"
#include "zip/zip_entry_name.h"
#include "zip/zip_reader.h"
#include "zip/zip_writer.h"

namespace Tarn::File {
namespace {

// Reads into memory and skips go in steps of this size.
constexpr uint64_t kCopyChunk = 65536;
// One codec read moves at most this many bytes.
constexpr int64_t kMaxReadChunk = 0xFFFFFFFF;

}  // namespace

CZipFileStream::CZipFileStream() = default;

CZipFileStream::~CZipFileStream() {
    Do_Close(false);
}

std::string CZipFileStream::GetClassName() const {
    return "CZipFileStream";
}

bool CZipFileStream::IsKindOf(std::string_view name, bool include_bases) const {
    return name == "CZipFileStream" || (include_bases && CFileStream::IsKindOf(name, true));
}

bool CZipFileStream::Reset() {
    return true;
}

bool CZipFileStream::IsEmpty() const {
    return false;
}

bool CZipFileStream::IsOpen() const {
    return state_ != kClosed;
}

bool CZipFileStream::Do_Open(std::u16string_view path, uint32_t mode) {
    try {
        Do_Close(false);
        open_mode_ = NormaliseOpenMode(mode);
        path_ = FilePath(path, false);
        return OpenEntry(open_mode_);
    } catch (...) {
        Do_Close(true);
        return false;
    }
}

bool CZipFileStream::OpenEntry(uint32_t mode) {
    // Only a path through an archive names an entry, and only a name that stays inside the
    // archive's folder may be read or written.
    if (!path_.InArchive()) return false;
    if (!Zip::IsSafeEntryName(Zip::NormaliseEntryName(path_.InnerPath()))) return false;
    archive_path_ = System::WideToUtf8(path_.FullPath());

    if (mode & (ModeCreateNew | ModeCreateAlways)) {
        // The new entry replaces the whole archive at close: "create new" must not do that to
        // an archive that exists.
        if ((mode & ModeCreateNew) && Platform::StatPath(archive_path_)) return false;
        buffer_.clear();
        position_ = 0;
        state_ = kNewEntry;
        return true;
    }
    if (mode & ModeWrite) {
        if (!LoadEntry()) return false;
        state_ = kUpdateEntry;
        return true;
    }
    // Names stored on a case-blind system may differ in case from the archive here.
    if (auto found = Platform::FindFileIgnoringCase(archive_path_)) archive_path_ = *found;
    if (!(mode & ModeArchiveDirect)) {
        if (!LoadEntry()) return false;
        state_ = kBufferedRead;
        return true;
    }
    Zip::ZipEntry entry;
    Zip::ZipHandlePtr reader = OpenEntryReader(entry);
    if (!reader) return false;
    handle_ = std::move(reader);
    entry_ = entry;
    position_ = 0;
    state_ = kDirectRead;
    return true;
}

bool CZipFileStream::FindEntry(Zip::ZipHandle* archive, Zip::ZipEntry& entry) const {
    const bool any_name = path_.InnerName() == u"*";
    const bool any_extension = path_.InnerExtension() == u".*";
    if (!any_name && !any_extension) return Zip::FindEntry(archive, path_.InnerPath(), entry);

    // A bare "*" takes every name, with or without an extension.
    const bool any_entry = path_.InnerNameAndExtension() == u"*";
    const int64_t count = Zip::CountEntries(archive);
    for (int64_t i = 0; i < count; ++i) {
        Zip::ZipEntry candidate;
        if (!Zip::GetEntry(archive, static_cast<uint64_t>(i), candidate)) continue;
        if ((candidate.attributes & Zip::EntryDirectory) || !Zip::IsSafeEntryName(candidate.name)) {
            continue;
        }
        const FilePath name(candidate.name);
        if (!any_entry) {
            if (!any_name && !System::EqualsNoCase(name.Name(), path_.InnerName())) continue;
            if (!any_extension && !System::EqualsNoCase(name.Extension(), path_.InnerExtension())) {
                continue;
            }
        }
        entry = std::move(candidate);
        return true;
    }
    return false;
}

Zip::ZipHandlePtr CZipFileStream::OpenEntryReader(Zip::ZipEntry& entry) const {
    Zip::ZipHandlePtr reader = Zip::OpenZipReader(archive_path_);
    if (!reader || !FindEntry(reader.get(), entry) || !Zip::OpenEntry(reader.get(), entry.index)) {
        return nullptr;
    }
    return reader;
}

bool CZipFileStream::LoadEntry() {
    Zip::ZipEntry entry;
    Zip::ZipHandlePtr reader = OpenEntryReader(entry);
    if (!reader) return false;
    // The size comes from the archive's directory: what memory cannot hold is not attempted.
    const uint64_t size = entry.uncompressed_size;
    if (size > Platform::AvailablePhysicalMemory()) return false;
    std::vector<uint8_t> bytes(size);

    uint64_t done = 0;
    Zip::ZipResult result;
    do {
        uint64_t got = 0;
        result = Zip::ReadEntry(reader.get(), bytes.data() + done,
                                std::min(size - done, kCopyChunk), got);
        done += got;
    } while (result == Zip::ZipResult::MoreData);
    if (result != Zip::ZipResult::EndOfEntry) return false;

    buffer_ = std::move(bytes);
    entry_ = std::move(entry);
    position_ = 0;
    changed_ = false;
    return true;
}

void CZipFileStream::Do_Flush() {}

void CZipFileStream::Do_Close(bool remove) {
    if (!remove && (state_ == kNewEntry || (state_ == kUpdateEntry && changed_))) {
        try {
            StoreEntry();
        } catch (...) {
            // Out of memory while storing: the archive on disk is as it was.
        }
    }
    handle_.reset();
    state_ = kClosed;
    buffer_ = {};
    changed_ = false;
}

void CZipFileStream::StoreEntry() {
    // libzip writes the archive into a temporary file beside it and renames that over the old
    // one, so a failure leaves the old archive whole.
    Zip::ZipHandlePtr writer = state_ == kNewEntry ? Zip::CreateZipWriter(archive_path_)
                                                   : Zip::OpenZipUpdater(archive_path_);
    const std::u16string& name = state_ == kNewEntry ? path_.InnerPath() : entry_.name;
    if (writer && Zip::AddEntry(writer.get(), name, std::move(buffer_))) {
        Zip::CloseZip(std::move(writer));
    }
}

int64_t CZipFileStream::Do_Read(void* buffer, int64_t count) {
    const int64_t length = Do_GetLength();
    if (state_ == kClosed || count <= 0 || position_ >= length) return 0;
    const int64_t wanted = std::min(count, length - position_);
    if (state_ != kDirectRead) {
        std::memcpy(buffer, buffer_.data() + position_, static_cast<size_t>(wanted));
        position_ += wanted;
        return wanted;
    }
    // Only the bytes the codec delivered count: an entry whose data ends before its size
    // reads short.
    auto* bytes = static_cast<uint8_t*>(buffer);
    int64_t done = 0;
    while (done < wanted) {
        uint64_t got = 0;
        const Zip::ZipResult result =
            Zip::ReadEntry(handle_.get(), bytes + done,
                           static_cast<uint64_t>(std::min(wanted - done, kMaxReadChunk)), got);
        done += static_cast<int64_t>(got);
        if (result != Zip::ZipResult::MoreData) break;
    }
    position_ += done;
    return done;
}

void CZipFileStream::Do_Write(const void* buffer, int64_t count) {
    if (state_ != kNewEntry && state_ != kUpdateEntry) return;
    const auto length = static_cast<int64_t>(buffer_.size());
    if (count <= 0 || position_ >= length) return;
    const int64_t written = std::min(count, length - position_);
    std::memcpy(buffer_.data() + position_, buffer, static_cast<size_t>(written));
    position_ += written;
    changed_ = true;
}

int64_t CZipFileStream::Do_Seek(int64_t offset, int origin) {
    if (state_ == kClosed) return position_;
    const int64_t length = Do_GetLength();
    int64_t base;
    switch (origin) {
        case 0:
            base = 0;
            break;
        case 1:
            base = position_;
            break;
        case 2:
            base = length - 1;
            break;
        default:
            return position_;
    }
    int64_t target;
    if (__builtin_add_overflow(base, offset, &target) || target < 0 || target >= length) {
        return position_;
    }
    if (state_ != kDirectRead) {
        position_ = target;
        return position_;
    }
    try {
        return SeekDirect(target);
    } catch (...) {
        return position_;
    }
}

int64_t CZipFileStream::SeekDirect(int64_t target) {
    if (target >= position_) {
        position_ += SkipEntryBytes(handle_.get(), target - position_);
        return position_;
    }
    // The codec reads forward only: start again on a fresh reader, and keep the old one (and
    // the position) unless the new one gets there.
    Zip::ZipEntry entry;
    Zip::ZipHandlePtr reader = OpenEntryReader(entry);
    if (!reader || entry.index != entry_.index || entry.name != entry_.name) return position_;
    if (SkipEntryBytes(reader.get(), target) != target) return position_;
    handle_ = std::move(reader);
    position_ = target;
    return position_;
}

int64_t CZipFileStream::SkipEntryBytes(Zip::ZipHandle* reader, int64_t count) {
    std::vector<uint8_t> scratch(static_cast<size_t>(std::min<int64_t>(count, kCopyChunk)));
    int64_t skipped = 0;
    while (skipped < count) {
        uint64_t got = 0;
        const Zip::ZipResult result = Zip::ReadEntry(
            reader, scratch.data(), std::min<uint64_t>(count - skipped, kCopyChunk), got);
        skipped += static_cast<int64_t>(got);
        if (result != Zip::ZipResult::MoreData) break;
    }
    return skipped;
}

int64_t CZipFileStream::Do_Tell() {
    return position_;
}

int64_t CZipFileStream::Do_GetLength() {
    switch (state_) {
        case kNewEntry:
        case kUpdateEntry:
            return static_cast<int64_t>(buffer_.size());
        case kBufferedRead:
        case kDirectRead:
            return static_cast<int64_t>(entry_.uncompressed_size);
        default:
            return 0;
    }
}

bool CZipFileStream::Do_SetLength(int64_t length) {
    if ((state_ != kNewEntry && state_ != kUpdateEntry) || length < 0) return false;
    if (static_cast<uint64_t>(length) == buffer_.size()) return true;
    try {
        buffer_.resize(static_cast<size_t>(length));
    } catch (...) {
        return false;
    }
    changed_ = true;
    return true;
}

bool CZipFileStream::GetStatus(FileStreamStatus& status) {
    status = FileStreamStatus{};
    if (state_ != kBufferedRead && state_ != kDirectRead) return false;
    status.creation_time = entry_.creation_time;
    status.access_time = entry_.access_time;
    status.modification_time = entry_.modification_time;
    status.size = static_cast<int64_t>(entry_.uncompressed_size);
    status.flags = entry_.attributes | StatusReadable | StatusReadOnly;
    return true;
}

}  // namespace Tarn::File
