// The rcode from the installer's file name and its place in the goto URL.
#include <gtest/gtest.h>

#include <string>

#include "LuStrUtils.h"
#include "RCode.h"

TEST(RCode, DigitsAfterTheFirstUnderscore)
{
    struct {
        const char16_t* Path;
        const char16_t* Digits;
    } cases[] = {
        {u"C:\\Downloads\\Product_2041.exe", u"2041"},
        {u"Product_2041_b.exe", u"2041"},  // digits stop at the next "_"
        {u"Product_2041x.exe", u"2041"},
        {u"Product_2041 (1).exe", u"2041"},  // a browser's copy number
        {u"My_Setup_2041.exe", u""},         // a letter follows the first "_"
        {u"Product2041.exe", u""},
        {u"Product_.exe", u""},
        {u"Product_", u""},
        {u"Product_7", u"7"},                     // no extension
        {u"Product_12.5.exe", u"12"},             // the last dot starts the extension
        {u"C:\\my_dir\\Product.exe", u""},        // only the file name counts
        {u"D:\\a_1\\Product_0042.exe", u"0042"},  // leading zeros kept
        {u"Product_\uFF11\uFF12.exe", u""},       // full-width digits are not digits
    };
    for (const auto& c : cases) EXPECT_EQ(c.Digits, ExtractRCode(c.Path)) << Utf16ToUtf8(c.Path);
}

TEST(RCode, AppendedAsAQueryParameter)
{
    struct {
        const char16_t* Url;
        const char16_t* Installer;
        const char16_t* Expected;
    } cases[] = {
        {u"https://example.com/done", u"Product_2041.exe", u"https://example.com/done?rcode=2041"},
        {u"https://example.com/done?lang=en", u"Product_2041.exe", u"https://example.com/done?lang=en&rcode=2041"},
        {u"https://example.com/done?", u"Product_2041.exe", u"https://example.com/done?&rcode=2041"},
        {u"https://example.com/done", u"Product.exe", u"https://example.com/done"},
        {u"https://example.com/done?a=1", u"My_Setup_2041.exe", u"https://example.com/done?a=1"},
        // A fragment is never sent to the server: the parameter goes before it.
        {u"https://example.com/done#top", u"Product_2041.exe", u"https://example.com/done?rcode=2041#top"},
        {u"https://example.com/done?a=1#x?y", u"Product_2041.exe", u"https://example.com/done?a=1&rcode=2041#x?y"},
        {u"https://example.com/#/page?x=1", u"Product_2041.exe", u"https://example.com/?rcode=2041#/page?x=1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Expected, AppendRCode(c.Url, c.Installer)) << Utf16ToUtf8(c.Url) << " " << Utf16ToUtf8(c.Installer);
    EXPECT_EQ(u"http://x/?rcode=1000", AppendRCode(u"http://x/", DevelopmentRCodeName));
}
