// The last results, and libzip's error codes as results.
#include "zip/zip_handle_state.h"

namespace Tarn::Zip {
namespace {

thread_local ZipResult last_read = ZipResult::Ok;
thread_local ZipResult last_write = ZipResult::Ok;

}  // namespace

ZipResult LastReadResult() {
    return last_read;
}

ZipResult LastWriteResult() {
    return last_write;
}

ZipResult SetReadResult(ZipResult result) {
    last_read = result;
    return result;
}

ZipResult SetWriteResult(ZipResult result) {
    last_write = result;
    return result;
}

ZipResult ResultFromLibzip(int error_code) {
    switch (error_code) {
        case ZIP_ER_OK:
            return ZipResult::Ok;
        case ZIP_ER_MEMORY:
            return ZipResult::OutOfMemory;
        case ZIP_ER_NOZIP:
            return ZipResult::NotAnArchive;
        case ZIP_ER_CRC:
        case ZIP_ER_ZLIB:
        case ZIP_ER_COMPRESSED_DATA:
        case ZIP_ER_INCONS:
        case ZIP_ER_EOF:
            return ZipResult::BadData;
        case ZIP_ER_NOPASSWD:
        case ZIP_ER_WRONGPASSWD:
        case ZIP_ER_ENCRNOTSUPP:
            return ZipResult::Encrypted;
        case ZIP_ER_COMPNOTSUPP:
        case ZIP_ER_MULTIDISK:
        case ZIP_ER_OPNOTSUPP:
            return ZipResult::Unsupported;
        case ZIP_ER_NOENT:
        case ZIP_ER_DELETED:
            return ZipResult::NoSuchEntry;
        case ZIP_ER_WRITE:
        case ZIP_ER_TMPOPEN:
        case ZIP_ER_RENAME:
        case ZIP_ER_CLOSE:
        case ZIP_ER_REMOVE:
        case ZIP_ER_RDONLY:
            return ZipResult::WriteFailed;
        default:
            return ZipResult::ReadFailed;
    }
}

}  // namespace Tarn::Zip
