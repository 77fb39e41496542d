// The records that cross the host and engine boundaries: the C and C++ compilers agree on them.
// (Every offset is also checked at compile time in the headers themselves.)
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <iterator>

#include "engine/handler_prefs.h"
#include "engine/kvr_contract.h"
#include "handler/rh_api.h"

extern "C" size_t rh_c_layout(int which);

TEST(Records, CAndCppLayoutsAgree) {
    const size_t cpp[] = {
        sizeof(HandlerIdentity),
        offsetof(HandlerIdentity, extensions),
        sizeof(HostRasterRecord),
        offsetof(HostRasterRecord, context),
        sizeof(RegistrationPoints),
        offsetof(RegistrationPoints, points),
        sizeof(DrawRect),
        sizeof(HandlerPrefs),
        offsetof(HandlerPrefs, long_formats),
        offsetof(KvrFieldInfo, cell_offset_y),
        offsetof(KvrStatistics, relief),
    };
    for (int i = 0; i < static_cast<int>(std::size(cpp)); ++i) {
        EXPECT_EQ(rh_c_layout(i), cpp[i]) << "layout item " << i;
    }
}

TEST(Records, HostRecordFieldsSitWhereTheHostLooks) {
    // A host record filled through raw bytes reads back through the named fields.
    alignas(8) unsigned char raw[sizeof(HostRasterRecord)] = {};
    const int32_t width = 1234, height = 567, error = 4;
    std::memcpy(raw + 520, &width, 4);
    std::memcpy(raw + 524, &height, 4);
    std::memcpy(raw + 560, &error, 4);
    std::memcpy(raw + 8, "abc", 4);
    HostRasterRecord host;
    std::memcpy(&host, raw, sizeof host);
    EXPECT_EQ(host.width, 1234);
    EXPECT_EQ(host.height, 567);
    EXPECT_EQ(host.error_code, 4);
    EXPECT_STREQ(host.path, "abc");
}
