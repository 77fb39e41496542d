// The frame of every render style document operation: errors raised as result codes and caught
// at the operation's end, the document loaded for reading or writing, the Colour element, and
// the format, check and save that end a write.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "style/kv_raster_exception.h"
#include "style/serializer_result.h"
#include "style/xml_document.h"

namespace Tarn::Colour::Ghx {

// Raised inside an operation; becomes the operation's result code.
struct StyleError {
    int code;
};

[[noreturn]] inline void Raise(int code) {
    throw StyleError{code};
}

// Runs `body` (returning a SerializerResult) and turns whatever it raises into a result.
template <typename Body>
SerializerResult RunOperation(Body&& body) noexcept {
    try {
        return body();
    } catch (const StyleError& error) {
        return SerializerResult::Failure(error.code);
    } catch (const CKVRasterException& error) {
        SerializerResult result = SerializerResult::Failure(kStyleUnexpectedFailure);
        try {
            result.location = error.Location();
        } catch (...) {
            // Out of memory: the code alone still tells the caller what happened.
        }
        return result;
    } catch (...) {
        return SerializerResult::Failure(kStyleUnexpectedFailure);
    }
}

// The path with every "\" turned into "/".
std::u16string NormalisedPath(std::u16string_view path);
bool FileExists(const std::u16string& normalised_path);

// Loads the document (a missing file gives the default document, which creates the file when
// saved), gives it the standard prolog and returns its Colour element, created when missing.
Xml::XmlElement& OpenForWriting(Xml::XmlDocument& document, std::u16string_view path);

// The Colour element as ColourSerializer::ColourElement describes it, raising its codes.
Xml::XmlElement& LocateColour(Xml::XmlDocument& document, bool create);

// Where a write raises its failed save and failed check.
struct WriteSite {
    std::u16string_view qualified_function;
    int64_t save_line;
    int64_t check_line;
};

// Formats the tree for saving, checks it and saves it; a failure raises CKVRasterException.
void FinishWrite(Xml::XmlDocument& document, const WriteSite& site);

}  // namespace Tarn::Colour::Ghx
