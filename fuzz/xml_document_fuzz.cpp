// The XML document library: any text loads or fails in time bounded by its size, and what
// loads is saved in a form that loads again, is not many times larger than the text, and
// saves again to the very same form.
#include "fuzz_support.h"
#include "style/xml_document.h"
#include "style/xml_writer.h"

using namespace Tarn::Xml;

namespace {

std::string Saved(const XmlDocument& doc) {
    std::string out;
    const XmlTarget target = XmlTarget::Memory(out);
    WritePrologPart(target, doc.Prolog(), 0);
    WriteElement(target, *doc.Root(), 0);
    WritePrologPart(target, doc.Prolog(), 1);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    XmlDocument doc;
    if (!doc.Load(Tarn::Fuzz::AsText(data, size), kXmlSourceText) || doc.Root() == nullptr) {
        return 0;
    }
    const std::string saved = Saved(doc);
    // Each line gets up to 16 levels of indentation and a line end: a text of tiny elements
    // and texts grows up to about eight times over, never with its depth.
    RH_FUZZ_CHECK(saved.size() <= 12 * size + 1024);
    XmlDocument again;
    RH_FUZZ_CHECK(again.Load(saved, kXmlSourceText) && again.Root() != nullptr);
    RH_FUZZ_CHECK(Saved(again) == saved);
    return 0;
}
