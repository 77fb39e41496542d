// The standard registrations of the stream factory.
#include "system/stream_classes.h"

#include "system/ascii_cfile_stream.h"
#include "system/ccfile_stream.h"
#include "system/file_stream_factory.h"
#include "system/mem_file_stream.h"
#include "system/text_file.h"
#include "system/xfile_stream.h"
#include "system/zip_file_stream.h"

namespace Tarn::File {
namespace {

// The abstract classes are known by name but make nothing.
std::unique_ptr<IFileStream> CreateNothing() {
    return nullptr;
}

template <typename Stream>
std::unique_ptr<IFileStream> CreateStream() {
    return std::make_unique<Stream>();
}

}  // namespace

void RegisterStandardStreamClasses(CFileStreamFactory& factory) {
    factory.Register("IFileStream", &CreateNothing);
    factory.Register("CMemFileStream", &CreateStream<CMemFileStream>);
    factory.Register("CFileStream", &CreateNothing);
    factory.Register("CCFileStream", &CreateStream<CCFileStream>);
    factory.Register("CASCIICFileStream", &CreateStream<CASCIICFileStream>);
    factory.Register("XFileStream", &CreateStream<XFileStream>);
    factory.Register("CZipFileStream", &CreateStream<CZipFileStream>);
    factory.Register("CTextFile", &CreateStream<CTextFile>);
}

}  // namespace Tarn::File

namespace Tarn::System {

void RegisterStreamClasses() {
    File::RegisterStandardStreamClasses(File::CFileStreamFactory::Instance());
}

}  // namespace Tarn::System
