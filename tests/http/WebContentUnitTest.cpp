// Content types, the start page's address text and the text conversions.
#include "server/http/TextConversion.h"
#include "server/http/WebContent.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(WebContentUnitTest, ChoosesContentTypeByTheLastFourCharacters) {
    const std::pair<const char*, const char*> cases[] = {
        {"/a", "text/html"},
        {"", "text/html"},
        {"/logo.GIF", "image/gif"},
        {"/photo.jpg", "image/jpeg"},
        {"/photo.jpeg", "application/octet-stream"},
        {"/pack.ZIP", "application/x-gzip"},
        {"/page.htm", "text/html"},
        {"/page.HTML", "text/html"},
        {"/notes.txt", "application/octet-stream"},
        {"/x.gif?v=1", "application/octet-stream"},
    };
    for (const auto& [url, type] : cases)
        EXPECT_STREQ(contentTypeForUrl(url), type) << url;
}

TEST(WebContentUnitTest, StartPageAddressCutsAndCleansTheHost) {
    const std::pair<const char*, const char*> cases[] = {
        {"192.168.0.5", "192.168.0.5"},
        {"10.1.2.3:8080", "10.1.2.3:8080"},
        {"abcdefghijklmnopqrst", "abcdefghijklmno"},
        {" 10.0.0.5", "10.0.0.5"},
        {"<script>x</script>", "scriptxscri"},
        {"a\"onload=\"b", "aonloadb"},
        {"", ""},
    };
    for (const auto& [host, expected] : cases) {
        char text[16];
        startPageAddress(host, text);
        EXPECT_STREQ(text, expected) << host;
    }
    char own[16];
    startPageAddress(nullptr, own);
    EXPECT_LT(std::string(own).size(), 16u);
}

TEST(WebContentUnitTest, ConvertsBetweenNarrowAndWideText) {
    std::unique_ptr<char16_t[]> wide;
    EXPECT_EQ(toWide(nullptr, wide), 0);
    EXPECT_EQ(wide, nullptr);
    EXPECT_EQ(toWide("", wide), 0);
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(wide[0], u'\0');

    const char* samples[] = {"My Documents", "caf\xc3\xa9", "\xe6\x96\x87\xe4\xbb\xb6",
                             "emoji \xf0\x9f\x98\x80"};
    for (const char* sample : samples) {
        ASSERT_EQ(toWide(sample, wide), 0);
        std::unique_ptr<char[]> narrow;
        ASSERT_EQ(toNarrow(wide.get(), narrow), 0);
        EXPECT_STREQ(narrow.get(), sample) << "round trip";
    }
    ASSERT_EQ(toWide("caf\xc3\xa9", wide), 0);
    EXPECT_EQ(std::u16string(wide.get()), u"caf\u00e9");
    ASSERT_EQ(toWide("bad \xff byte", wide), 0);
    EXPECT_EQ(std::u16string(wide.get()), u"bad \ufffd byte")
        << "malformed bytes become the replacement character";
}

} // namespace
