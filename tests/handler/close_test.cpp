// RH_Close releases everything hung on the host record, whether or not an open succeeded.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "handler/handler_context.h"
#include "handler/rh_api.h"

namespace {

void* AuxiliaryBlock(void* buffer_at_8) {
    auto* block = static_cast<unsigned char*>(std::calloc(1, 32));
    std::memcpy(block + 8, &buffer_at_8, sizeof buffer_at_8);
    return block;
}

RegistrationPoints* Registration() {
    auto* points = static_cast<RegistrationPoints*>(std::calloc(1, sizeof(RegistrationPoints)));
    points->magic = RH_REGISTRATION_MAGIC;
    points->size = sizeof(RegistrationPoints);
    return points;
}

TEST(Close, NullHostSucceeds) {
    EXPECT_EQ(RH_Close(nullptr), 1);
}

TEST(Close, ReleasesContextPictureAuxiliaryBlockAndRegistration) {
    // The sanitizer build's leak checker fails this test if anything stays allocated.
    HostRasterRecord host{};
    auto* context = new Tarn::Handler::HandlerContext;
    context->pixels = static_cast<uint8_t*>(std::malloc(30));
    context->picture_ready = true;
    host.context = context;
    host.auxiliary = AuxiliaryBlock(std::malloc(100));
    host.registration = Registration();
    host.error_code = 2;

    EXPECT_EQ(RH_Close(&host), 1);
    EXPECT_EQ(host.context, nullptr);
    EXPECT_EQ(host.auxiliary, nullptr);
    EXPECT_EQ(host.registration, nullptr);
    EXPECT_EQ(host.error_code, 0);
}

TEST(Close, RecordOfAFailedOpenIsStillCleared) {
    HostRasterRecord host{};
    host.auxiliary = AuxiliaryBlock(nullptr);  // a block without a buffer at byte 8
    host.registration = Registration();
    host.error_code = 4;
    EXPECT_EQ(RH_Close(&host), 1);
    EXPECT_EQ(host.auxiliary, nullptr);
    EXPECT_EQ(host.registration, nullptr);
    EXPECT_EQ(host.error_code, 0);
    EXPECT_EQ(RH_Close(&host), 1);  // and a second close finds nothing left to free
}

TEST(Close, ForeignContextPointerIsNotFreed) {
    // Memory that does not carry the context marker is not the plug-in's to free.
    HostRasterRecord host{};
    uint32_t not_a_context[16] = {0x12345678};
    host.context = not_a_context;
    EXPECT_EQ(RH_Close(&host), 1);
    EXPECT_EQ(host.context, nullptr);
    EXPECT_EQ(not_a_context[0], 0x12345678u);
}

}  // namespace
