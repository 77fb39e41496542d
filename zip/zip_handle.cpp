// Opening, creating, closing and releasing archive handles.
#include "platform/file_system.h"
#include "zip/zip_handle_state.h"

namespace Tarn::Zip {
namespace {

// Failures of zip_open: a file that cannot be had, or one that is no (whole) archive.
ZipResult OpenFailure(int error_code) {
    switch (error_code) {
        case ZIP_ER_NOENT:
        case ZIP_ER_OPEN:
        case ZIP_ER_READ:
        case ZIP_ER_SEEK:
        case ZIP_ER_TELL:
            return ZipResult::OpenFailed;
        case ZIP_ER_NOZIP:
        case ZIP_ER_INCONS:
        case ZIP_ER_EOF:
        case ZIP_ER_CRC:
            return ZipResult::NotAnArchive;
        default:
            return ResultFromLibzip(error_code);
    }
}

ZipHandlePtr OpenWriter(const std::string& path, int flags) {
    int error = ZIP_ER_OK;
    zip_t* archive = zip_open(path.c_str(), flags, &error);
    if (archive == nullptr) {
        SetWriteResult(OpenFailure(error));
        return nullptr;
    }
    SetWriteResult(ZipResult::Ok);
    return ZipHandlePtr(new ZipHandle(ZipHandle::Kind::Writer, archive));
}

}  // namespace

ZipHandle::~ZipHandle() {
    CloseEntry();
    if (archive != nullptr) zip_discard(archive);
}

void ZipHandle::CloseEntry() {
    if (entry != nullptr) zip_fclose(entry);
    entry = nullptr;
    entry_size = 0;
    entry_delivered = 0;
}

void ZipHandleRelease::operator()(ZipHandle* handle) const {
    delete handle;
}

ZipHandlePtr OpenZipReader(const std::string& path) {
    const auto status = Platform::StatPath(path);
    if (!status || !status->is_regular) {
        SetReadResult(ZipResult::OpenFailed);
        return nullptr;
    }
    int error = ZIP_ER_OK;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (archive == nullptr) {
        SetReadResult(OpenFailure(error));
        return nullptr;
    }
    ZipHandlePtr handle(new ZipHandle(ZipHandle::Kind::Reader, archive));
    handle->archive_size = static_cast<uint64_t>(status->size);
    SetReadResult(ZipResult::Ok);
    return handle;
}

ZipHandlePtr CreateZipWriter(const std::string& path) {
    // Truncating ignores what is there now; libzip replaces the file only when closing.
    return OpenWriter(path, ZIP_CREATE | ZIP_TRUNCATE);
}

ZipHandlePtr OpenZipUpdater(const std::string& path) {
    return OpenWriter(path, 0);
}

bool CloseZip(ZipHandlePtr handle) {
    if (!handle) {
        SetReadResult(ZipResult::NoHandle);
        SetWriteResult(ZipResult::NoHandle);
        return false;
    }
    handle->CloseEntry();
    if (handle->kind == ZipHandle::Kind::Reader) {
        SetReadResult(ZipResult::Ok);
        return true;
    }
    // libzip writes a temporary file beside the archive and renames it over the old one.
    if (zip_close(handle->archive) != 0) {
        ZipResult result = ResultFromLibzip(zip_error_code_zip(zip_get_error(handle->archive)));
        if (result != ZipResult::OutOfMemory) result = ZipResult::WriteFailed;
        SetWriteResult(result);
        return false;  // the handle's destructor discards the archive
    }
    handle->archive = nullptr;
    SetWriteResult(ZipResult::Ok);
    return true;
}

}  // namespace Tarn::Zip
