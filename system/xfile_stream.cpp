// The proxy stream: choosing the inner stream and passing operations on to it.
#include "system/xfile_stream.h"

#include "system/file_stream_factory.h"
#include "system/mem_file_stream.h"

namespace Tarn::File {

XFileStream::XFileStream() {
    SetImplementation("");
}

XFileStream::~XFileStream() = default;

bool XFileStream::SetImplementation(std::string_view name) {
    std::unique_ptr<IFileStream> next = CFileStreamFactory::Instance().Create(name);
    inner_.reset();
    inner_ = next ? std::move(next) : std::make_unique<CMemFileStream>();
    return inner_->Reset();
}

std::string XFileStream::GetClassName() const {
    return "XFileStream";
}

bool XFileStream::IsKindOf(std::string_view name, bool include_bases) const {
    return name == "XFileStream" || (include_bases && CFileStream::IsKindOf(name, true));
}

bool XFileStream::Reset() {
    return inner_->Reset();
}

bool XFileStream::IsEmpty() const {
    return inner_->IsEmpty();
}

bool XFileStream::IsOpen() const {
    return inner_->IsOpen();
}

bool XFileStream::CanRead() const {
    return inner_->CanRead();
}

bool XFileStream::CanWrite() const {
    return inner_->CanWrite();
}

bool XFileStream::IsReadOnly() const {
    return inner_->IsReadOnly();
}

bool XFileStream::IsCreateMode() const {
    return inner_->IsCreateMode();
}

bool XFileStream::HasModeOption() const {
    return inner_->HasModeOption();
}

bool XFileStream::Do_Open(std::u16string_view path, uint32_t mode) {
    return inner_->Do_Open(path, mode);
}

void XFileStream::Do_Flush() {
    inner_->Do_Flush();
}

void XFileStream::Do_Close(bool remove) {
    inner_->Do_Close(remove);
}

int64_t XFileStream::Do_Read(void* buffer, int64_t count) {
    return inner_->Do_Read(buffer, count);
}

void XFileStream::Do_Write(const void* buffer, int64_t count) {
    inner_->Do_Write(buffer, count);
}

bool XFileStream::ReadLine(std::u16string& line) {
    return inner_->ReadLine(line);
}

bool XFileStream::ReadLine(std::string& line) {
    return inner_->ReadLine(line);
}

void XFileStream::WriteLine(std::u16string_view line) {
    inner_->WriteLine(line);
}

void XFileStream::WriteLine(std::string_view line) {
    inner_->WriteLine(line);
}

bool XFileStream::ReadString(PrefixedString& text) {
    return inner_->ReadString(text);
}

bool XFileStream::ReadString(std::u16string& text) {
    return inner_->ReadString(text);
}

bool XFileStream::ReadString(std::string& text) {
    return inner_->ReadString(text);
}

void XFileStream::WriteString(const PrefixedString& text) {
    inner_->WriteString(text);
}

void XFileStream::WriteString(std::u16string_view text) {
    inner_->WriteString(text);
}

void XFileStream::WriteString(std::string_view text) {
    inner_->WriteString(text);
}

int64_t XFileStream::Do_Seek(int64_t offset, int origin) {
    return inner_->Do_Seek(offset, origin);
}

int64_t XFileStream::Do_Tell() {
    return inner_->Do_Tell();
}

int64_t XFileStream::Do_GetLength() {
    return inner_->Do_GetLength();
}

bool XFileStream::Do_SetLength(int64_t length) {
    return inner_->Do_SetLength(length);
}

int64_t XFileStream::GetLength() {
    return inner_->GetLength();
}

bool XFileStream::SetLength(int64_t length) {
    return inner_->SetLength(length);
}

bool XFileStream::GetStatus(FileStreamStatus& status) {
    return inner_->GetStatus(status);
}

void XFileStream::ReopenHandle() {
    inner_->ReopenHandle();
}

bool XFileStream::Rename(const FilePath& from, const FilePath& to) {
    auto* named = dynamic_cast<CFileStream*>(inner_.get());
    return named != nullptr && named->Rename(from, to);
}

}  // namespace Tarn::File
