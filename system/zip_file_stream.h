// CZipFileStream: the stream on one entry of a zip archive, read whole into memory or straight
// from the archive, or built in memory and stored in the archive when the stream closes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "system/cfile_stream.h"
#include "zip/zip_entry.h"
#include "zip/zip_handle.h"

namespace Tarn::File {

// The path names the archive, then "/" and the entry inside it. Failures show as false, short
// counts and unchanged positions; the stream records nothing in its message log (the codec
// keeps its last results).
class CZipFileStream : public CFileStream {
public:
    CZipFileStream();
    // Closes as Do_Close(false) does, so a new or changed entry is stored.
    ~CZipFileStream() override;

    std::string GetClassName() const override;
    bool IsKindOf(std::string_view name, bool include_bases) const override;
    bool Reset() override;
    bool IsEmpty() const override;
    bool IsOpen() const override;
    // By the mode: a creation flag starts a new entry in memory (ModeCreateNew only where no
    // archive exists yet); ModeWrite reads the entry into memory to be changed; otherwise the
    // entry is read into memory, or with ModeArchiveDirect read straight from the archive. An
    // inner name "*" or extension ".*" takes the first file entry that matches the rest.
    bool Do_Open(std::u16string_view path, uint32_t mode) override;
    void Do_Flush() override;
    // Unless `remove`: a new entry becomes a new archive that replaces the file at the archive
    // path, and a changed entry replaces its old self in the archive, the others kept as they
    // are. Nothing is ever deleted.
    void Do_Close(bool remove) override;
    int64_t Do_Read(void* buffer, int64_t count) override;
    // Only within the length: Do_SetLength makes room first.
    void Do_Write(const void* buffer, int64_t count) override;
    // Targets outside the entry's bytes leave the position; the end with offset 0 is the last
    // byte. Reading straight from the archive, going back reads the entry again from its start.
    int64_t Do_Seek(int64_t offset, int origin) override;
    int64_t Do_Tell() override;
    int64_t Do_GetLength() override;
    // Entries being written only; new bytes are zero.
    bool Do_SetLength(int64_t length) override;
    // Entries being read only: the entry's times, size and attributes, as readable, read-only.
    bool GetStatus(FileStreamStatus& status) override;

private:
    enum : int32_t {
        kClosed = -1,
        kNewEntry = 0,
        kUpdateEntry = 1,
        kBufferedRead = 2,
        kDirectRead = 3,
    };

    bool OpenEntry(uint32_t mode);
    // The entry that the path names in an open archive, wildcards resolved.
    bool FindEntry(Zip::ZipHandle* archive, Zip::ZipEntry& entry) const;
    // A reader on the archive with that entry open for reading.
    Zip::ZipHandlePtr OpenEntryReader(Zip::ZipEntry& entry) const;
    // Reads the whole entry into the buffer.
    bool LoadEntry();
    // Discards up to `count` bytes of the reader's entry; the number discarded.
    static int64_t SkipEntryBytes(Zip::ZipHandle* reader, int64_t count);
    int64_t SeekDirect(int64_t target);
    void StoreEntry();

    Zip::ZipHandlePtr handle_;
    int64_t position_ = 0;
    Zip::ZipEntry entry_;
    int32_t state_ = kClosed;
    std::vector<uint8_t> buffer_;
    // The archive file, as found on disk.
    std::string archive_path_;
    // A changed entry is written back; one only read is left alone.
    bool changed_ = false;
};

}  // namespace Tarn::File
