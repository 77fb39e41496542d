// Message log: the header item, the two flags, items and their values, deep copies, time stamps.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "system/message_log.h"
#include "system/utf.h"

using namespace Tarn::System;
using ::testing::MatchesRegex;

TEST(MessageLog, NewLogIsOnlyItsHeader) {
    const CMessageLog log;
    EXPECT_TRUE(log.Items().empty());
    EXPECT_FALSE(log.HasWarning());
    EXPECT_FALSE(log.HasError());
    EXPECT_EQ(log.Code(), 2u);
    EXPECT_EQ(log.Identifier(), 40501);
    EXPECT_EQ(log.Location(), SourceLocation{});
    EXPECT_EQ(log.Values(), nullptr);
}

TEST(MessageLog, FlagsNeedBothBitsAndStaySet) {
    struct Case {
        uint32_t code;
        bool warning, error;
    };
    // 0x1000 and 0x800 alone carry only one of the two bits each flag needs.
    const Case cases[] = {{0x1008, false, true},  {0x808, true, false},  {0x8, false, false},
                          {0x1000, false, false}, {0x800, false, false}, {0x1808, true, true},
                          {0x101008, false, true}};
    for (const Case& c : cases) {
        CMessageLog log;
        log.Add(c.code, u"m");
        EXPECT_EQ(log.HasWarning(), c.warning) << std::hex << c.code;
        EXPECT_EQ(log.HasError(), c.error) << std::hex << c.code;
        log.Add(0x8, u"later");
        EXPECT_EQ(log.HasWarning(), c.warning) << std::hex << c.code;
        EXPECT_EQ(log.HasError(), c.error) << std::hex << c.code;
    }
}

TEST(MessageLog, AddKeepsOrderCodeLocationAndTextValue) {
    CMessageLog log;
    const SourceLocation where{u"reader.cpp", u"Load", 42};
    CMessageLogItem& first = log.Add(0x1008, u"CCFileStream::Do_Open : No such file", where);
    log.Add(0x808, u"");

    ASSERT_EQ(log.Items().size(), 2u);
    EXPECT_EQ(&first, log.Items()[0].get());
    EXPECT_EQ(first.Code(), 0x1008u);
    EXPECT_EQ(first.Identifier(), -1);
    EXPECT_EQ(first.Location(), where);
    EXPECT_EQ(first.Text(), u"CCFileStream::Do_Open : No such file");
    ASSERT_NE(first.Values(), nullptr);
    ASSERT_EQ(first.Values()->size(), 1u);
    EXPECT_EQ(first.Values()->front().Type(), 83u);
    EXPECT_EQ(first.Values()->front().Length(), 2u * first.Text().size());
    EXPECT_EQ(log.Items()[1]->Text(), u"");
    EXPECT_EQ(log.Items()[1]->Location().line, -1);
}

TEST(MessageLog, TextValuesOnBothSidesOfTheInlineLimit) {
    // 8 UTF-16 units fill the 16 inline bytes exactly; 9 go to the owned array.
    for (const std::u16string text :
         {u"", u"x", u"12345678", u"123456789", u"\u00e9\u6f22\U0001F600"}) {
        const TypedValue value = TypedValue::FromText(text);
        TypedValue copy = value;
        EXPECT_EQ(copy.Text(), text);
        EXPECT_EQ(copy.Length(), 2 * text.size());
        if (text.size() > 8) {
            EXPECT_NE(copy.Data(), value.Data());
        }
        copy = TypedValue::FromText(u"other");
        EXPECT_EQ(value.Text(), text);
    }
    const uint32_t number = 7;
    EXPECT_EQ(TypedValue(3, &number, 4).Text(), u"");
}

TEST(MessageLog, CloneIsDeepAndFreshlyStamped) {
    CMessageLog log;
    log.Add(0x808, u"x", SourceLocation{u"a.cpp", u"F", 7});
    log.Add(0x1008, u"a text longer than sixteen bytes");

    const std::unique_ptr<CMessageLogItem> item = log.Items()[0]->Clone();
    EXPECT_EQ(item->Code(), 0x808u);
    EXPECT_EQ(item->Identifier(), -1);
    EXPECT_EQ(item->Location(), (SourceLocation{u"a.cpp", u"F", 7}));
    EXPECT_EQ(item->Text(), u"x");
    EXPECT_FALSE(item->TimeStamp().empty());

    const std::unique_ptr<CMessageLogItem> copy = log.Clone();
    const auto* copied_log = dynamic_cast<const CMessageLog*>(copy.get());
    ASSERT_NE(copied_log, nullptr);
    EXPECT_EQ(copied_log->Code(), 2u);
    EXPECT_EQ(copied_log->Identifier(), 40501);
    EXPECT_TRUE(copied_log->HasWarning());
    EXPECT_TRUE(copied_log->HasError());
    ASSERT_EQ(copied_log->Items().size(), 2u);
    EXPECT_NE(copied_log->Items()[1].get(), log.Items()[1].get());
    EXPECT_EQ(copied_log->Items()[1]->Text(), u"a text longer than sixteen bytes");
    EXPECT_NE(copied_log->Items()[1]->Values()->front().Data(),
              log.Items()[1]->Values()->front().Data());

    const auto empty_copy = CMessageLog().CloneLog();
    EXPECT_TRUE(empty_copy->Items().empty());
    EXPECT_FALSE(empty_copy->HasError());
}

TEST(MessageLog, TimeStampIsShortDateBlankTimeOfTheUsersLocale) {
    // The user's locale is read once per process; this case runs in its own process.
    ::setenv("LC_ALL", "C", 1);
    const CMessageLog log;
    EXPECT_THAT(Tarn::System::WideToUtf8(log.TimeStamp()),
                MatchesRegex("[0-9]{2}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}"));
}

TEST(MessageLog, SourceLocationKeepsFileNameAndLastNamePart) {
    const SourceLocation where =
        SourceLocation::FromQualified(u"C:\\src\\colour/ColourSerializer",
                                      u"Tarn::Colour::ColourSerializer::SerializeRenderStyle", 785);
    EXPECT_EQ(where.file, u"ColourSerializer");
    EXPECT_EQ(where.function, u"SerializeRenderStyle");
    EXPECT_EQ(where.line, 785);
    EXPECT_EQ(SourceLocation::FromQualified(u"", u"Plain", -1).function, u"Plain");
}
