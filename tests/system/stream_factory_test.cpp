// The stream factory's names and the proxy stream that takes its inner stream from it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "stream_test_support.h"
#include "system/ascii_cfile_stream.h"
#include "system/file_stream_factory.h"
#include "system/mem_file_stream.h"
#include "system/stream_classes.h"
#include "system/text_file.h"
#include "system/xfile_stream.h"

using namespace Tarn::File;
using Tarn::Test::ReadWholeFile;

TEST(StreamFactory, CreatesTheConcreteClassesByExactName) {
    Tarn::System::RegisterStreamClasses();  // again: registering twice changes nothing
    auto& factory = CFileStreamFactory::Instance();
    for (const char* name :
         {"CMemFileStream", "CCFileStream", "CASCIICFileStream", "XFileStream"}) {
        const auto stream = factory.Create(name);
        ASSERT_NE(stream, nullptr) << name;
        EXPECT_EQ(stream->GetClassName(), name);
        EXPECT_FALSE(stream->IsKindOf("Unknown", true));
    }
    for (const char* name : {"IFileStream", "CFileStream", "ccfilestream", "CCFileStream ", ""}) {
        EXPECT_EQ(factory.Create(name), nullptr) << name;
    }
    const auto proxy = factory.Create("XFileStream");
    EXPECT_EQ(static_cast<XFileStream&>(*proxy).Implementation().GetClassName(), "CMemFileStream");
    const auto text = factory.Create("CTextFile");
    const IFileStream& inner = static_cast<XFileStream&>(*text).Implementation();
    EXPECT_EQ(inner.GetClassName(), "CASCIICFileStream");
    EXPECT_FALSE(inner.IsOpen());
}

TEST(StreamFactory, RegisterReplacesACreator) {
    auto& factory = CFileStreamFactory::Instance();
    factory.Register("CCFileStream", []() -> std::unique_ptr<IFileStream> {
        return std::make_unique<CMemFileStream>();
    });
    EXPECT_EQ(factory.Create("CCFileStream")->GetClassName(), "CMemFileStream");
    factory.Register("Extra", nullptr);
    EXPECT_EQ(factory.Create("Extra"), nullptr);
    // The factory is the process's: later cases of this program get the real classes back.
    Tarn::System::RegisterStreamClasses();
    EXPECT_EQ(factory.Create("CCFileStream")->GetClassName(), "CCFileStream");
}

TEST(StreamFactory, IsKindOfWalksTheBasesOnlyWhenAsked) {
    const CASCIICFileStream text;
    const XFileStream proxy;
    const CMemFileStream memory;
    struct Case {
        const IFileStream& stream;
        const char* name;
        bool alone, with_bases;
    };
    const Case cases[] = {
        {text, "CASCIICFileStream", true, true}, {text, "CCFileStream", false, true},
        {text, "CFileStream", false, true},      {text, "IFileStream", false, true},
        {text, "ccfilestream", false, false},    {proxy, "CFileStream", false, true},
        {proxy, "CCFileStream", false, false},   {memory, "IFileStream", false, true},
        {memory, "CFileStream", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.stream.IsKindOf(c.name, false), c.alone) << c.name;
        EXPECT_EQ(c.stream.IsKindOf(c.name, true), c.with_bases) << c.name;
    }
}

using ProxyStream = Tarn::Test::ScratchDirTest;

TEST_F(ProxyStream, UnknownImplementationFallsBackToMemory) {
    XFileStream proxy;
    EXPECT_TRUE(proxy.SetImplementation("NoSuchStream"));
    EXPECT_EQ(proxy.Implementation().GetClassName(), "CMemFileStream");
    proxy.Do_Write("ab", 2);
    EXPECT_EQ(proxy.GetLength(), 2);
    EXPECT_FALSE(proxy.Rename(FilePath(WidePath("a")), FilePath(WidePath("b"))));
}

TEST_F(ProxyStream, ForwardsToADiskStreamButKeepsItsOwnModeWord) {
    XFileStream proxy;
    ASSERT_TRUE(proxy.SetImplementation("CCFileStream"));
    ASSERT_TRUE(proxy.Do_Open(WidePath("x"), ModeCreateAlways | ModeBigEndian));
    EXPECT_TRUE(proxy.IsOpen());
    EXPECT_TRUE(proxy.CanWrite());
    EXPECT_EQ(proxy.OpenMode(), 0u);
    EXPECT_TRUE(proxy.IsLittleEndian());  // its own word, never set
    EXPECT_TRUE(proxy.Implementation().IsBigEndian());
    proxy.WriteString(std::string_view("abc"));  // the inner stream's byte order
    proxy.Do_Close(false);
    EXPECT_EQ(ReadWholeFile(Path("x")), std::string("\0\0\0\x03"
                                                    "abc",
                                                    7));

    EXPECT_TRUE(proxy.Rename(FilePath(WidePath("x")), FilePath(WidePath("y"))));
    EXPECT_EQ(ReadWholeFile(Path("y")), std::string("\0\0\0\x03"
                                                    "abc",
                                                    7));

    // Switching the implementation destroys the old inner stream, which closes its file.
    ASSERT_TRUE(proxy.Do_Open(WidePath("z"), ModeCreateAlways | ModeRemoveOnClose));
    EXPECT_TRUE(proxy.SetImplementation("CMemFileStream"));
    EXPECT_FALSE(std::filesystem::exists(Path("z")));
}
