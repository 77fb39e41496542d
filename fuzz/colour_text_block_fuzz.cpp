// The colour control's text block, as a style keeps it: read, written and read again. What the
// writer makes of a block must read back to a block that writes the same text.
#include "colour/colour_control.h"
#include "fuzz_support.h"
#include "system/file_stream_mode.h"
#include "system/text_file.h"

using namespace Tarn::Colour;
using Tarn::File::CTextFile;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::u16string path = Tarn::Fuzz::InputFile(".txt", data, size);
    CColourControl control;
    std::string message;
    {
        CTextFile file(path);
        if (!control.ReadBlock(file, message)) return 0;
    }
    // Whatever a block read as, the writer's form of it reads again as a whole block.
    const std::string& written = Tarn::Fuzz::ScratchPath(".out.txt");
    {
        CTextFile file;
        RH_FUZZ_CHECK(file.Do_Open(Tarn::System::Utf8ToWide(written), Tarn::File::ModeCreateAlways));
        control.WriteBlock(file);
    }
    CColourControl back;
    CTextFile file(Tarn::System::Utf8ToWide(written));
    RH_FUZZ_CHECK(back.ReadBlock(file, message));
    return 0;
}
