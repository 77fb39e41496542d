// TBL colour table files.
#include "colour_table_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Tarn::Fuzz::FuzzColourTable(".tbl", data, size);
    return 0;
}
