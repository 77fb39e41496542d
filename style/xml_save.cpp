// Saving a document over its own file, and writing it through an encoder.
#include <algorithm>

#include "platform/atomic_file.h"
#include "platform/file_system.h"
#include "style/xml_document.h"
#include "style/xml_writer.h"
#include "system/utf.h"

namespace Tarn::Xml {
namespace {

void WriteWhole(const XmlTarget& target, const XmlProlog& prolog, const XmlElement& root) {
    WritePrologPart(target, prolog, XmlPrologComment::kBeforeRoot);
    WriteElement(target, root, 0);
    WritePrologPart(target, prolog, XmlPrologComment::kAfterRoot);
}

}  // namespace

bool XmlDocument::Save() {
    if (!HasPath() || !root_) return false;
    const std::string path = wide_path_ ? System::WideToUtf8(wide_path_text_) : path_;
    // Writing in place failed on a read-only file; renaming over it must not get round that.
    if (const auto status = Platform::StatPath(path); status && !status->writable) return false;
    // The old file stays intact until the new one is complete.
    Platform::AtomicFileWriter writer(path);
    if (writer.File() == nullptr) return false;
    SetEncoding("UTF-8");
    WriteWhole(XmlTarget::NarrowFile(writer.File()), prolog_, *root_);
    if (std::ferror(writer.File()) != 0) return false;
    return writer.Commit();
}

bool XmlDocument::WriteEncoded(const XmlTarget& target, XmlCodec& encoder) const {
    const bool to_file = target.kind == XmlTargetKind::NarrowFile && target.file != nullptr;
    const bool to_memory = target.kind == XmlTargetKind::Memory && target.memory != nullptr;
    if (!root_ || (!to_file && !to_memory)) return false;

    std::string text;
    text.reserve(EstimateSize(*root_) + prolog_.declaration.size() + 2);
    WriteWhole(XmlTarget::Memory(text), prolog_, *root_);
    std::string encoded(text.size() + 100, '\0');
    const size_t length =
        std::min(encoder.Transform(text.data(), text.size(), encoded.data(), encoded.size()),
                 encoded.size());
    if (to_file) return std::fwrite(encoded.data(), 1, length, target.file) == length;
    target.memory->append(encoded.data(), length);
    return true;
}

}  // namespace Tarn::Xml
