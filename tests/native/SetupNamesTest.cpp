// The Windows-name rule for the targets of a package.
#include <gtest/gtest.h>

#include "LuStrUtils.h"
#include "SetupNames.h"

TEST(SetupNames, RelativeTargetsAndWhyTheyAreRefused)
{
    const std::u16string longName(255, u'n');
    const std::u16string tooLongName(256, u'n');
    std::u16string longPath = longName;
    while (longPath.size() + 256 <= MaxRelativeTargetLength) longPath += u"\\" + longName;
    const std::u16string tooLongPath = longPath + u"\\" + longName;
    // reason: a part of the reason given; empty for a valid target.
    struct TCase {
        std::u16string Path;
        const char* Reason;
    };
    const TCase cases[] = {
        {u"readme.txt", ""},
        {u"bin\\tool.exe", ""},
        {u"\u6587\u6863\\\u8BF4\u660E.txt", ""},
        {u".hidden", ""},
        {u"a..b", ""},
        {u" leading blank", ""},
        {u"{app}", ""},        // braces are ordinary characters
        {u"console.txt", ""},  // a device name only as the whole base name
        {u"CON_x", ""},
        {u"COM10", ""},
        {u"COM0", ""},
        {u"LPT", ""},
        {u"nul-device\\x", ""},
        {longName, ""},
        {longPath, ""},
        {u"", "empty path"},
        {u"\\abs.txt", "empty name in it"},
        {u"dir\\", "empty name in it"},
        {u"a\\\\b", "empty name in it"},
        {u"\\\\server\\share\\x", "empty name in it"},
        {u"C:\\x.txt", "holds \":\""},
        {u"C:x.txt", "holds \":\""},
        {u"notes.txt:hidden", "holds \":\""},
        {u"a/b.txt", "holds \"/\""},
        {u"..", "names a folder"},
        {u"..\\..\\evil.dll", "names a folder"},
        {u"sub\\.\\x", "names a folder"},
        {u"a*b", "holds \"*\""},
        {u"a?b", "holds \"?\""},
        {u"say \"hi\"", "holds \"\"\""},
        {u"a<b", "holds \"<\""},
        {u"a>b", "holds \">\""},
        {u"a|b", "holds \"|\""},
        {std::u16string(u"bell\u0007.txt"), "control character 0x07"},
        {std::u16string(u"tab\t"), "control character 0x09"},
        {std::u16string(u"nul\0x", 5), "control character 0x00"},
        {u"dots...", "ends in a dot or a blank"},
        {u"trailing ", "ends in a dot or a blank"},
        {u"dir.\\x", "ends in a dot or a blank"},
        {u"CON", "device name"},
        {u"con", "device name"},
        {u"prn.txt", "device name"},
        {u"aux.txt", "device name"},
        {u"Nul.tar.gz", "device name"},
        {u"nul .txt", "device name"},
        {u"COM1", "device name"},
        {u"Com1.log", "device name"},
        {u"com9", "device name"},
        {u"LPT1", "device name"},
        {u"lpt9.dat", "device name"},
        {u"COM\u00B9", "device name"},
        {u"lpt\u00B3.txt", "device name"},
        {u"CONIN$", "device name"},
        {u"conout$.log", "device name"},
        {u"sub\\CON\\x.txt", "device name"},
        {tooLongName, "longer than 255 characters"},
        {tooLongPath, "longer than 32000 characters"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.Path.substr(0, 60)));
        std::u16string reason;
        const bool valid = IsValidRelativeTarget(c.Path, &reason);
        EXPECT_EQ(valid, *c.Reason == 0) << Utf16ToUtf8(reason);
        if (*c.Reason) {
            EXPECT_NE(Utf16ToUtf8(reason).find(c.Reason), std::string::npos) << Utf16ToUtf8(reason);
        }
        // A single component reads the same as a file name; "\" is no character of a name.
        if (c.Path.find(u'\\') == std::u16string::npos) {
            EXPECT_EQ(IsValidWindowsFileName(c.Path), valid);
        }
    }
    EXPECT_FALSE(IsValidWindowsFileName(u"..\\..\\evil.dll"));
    EXPECT_FALSE(IsValidWindowsFileName(u"bin\\tool.exe"));
}

TEST(SetupNames, TargetsInsideTheirFolder)
{
    struct TCase {
        const char16_t* Target;
        const char16_t* Folder;
        bool Inside;
    };
    const TCase cases[] = {
        {u"C:\\Apps\\Tool\\a.txt", u"C:\\Apps\\Tool", true},
        {u"C:\\Apps\\Tool\\sub\\a.txt", u"C:\\Apps\\Tool\\", true},
        {u"c:\\apps\\TOOL\\a.txt", u"C:\\Apps\\Tool", true},
        {u"C:\\Apps\\Tool", u"C:\\Apps\\Tool", false},
        {u"C:\\Apps\\Tool\\", u"C:\\Apps\\Tool", false},
        {u"C:\\Apps\\Tool2\\a.txt", u"C:\\Apps\\Tool", false},
        {u"C:\\Apps\\Tool\\..\\x.txt", u"C:\\Apps\\Tool", false},
        {u"C:\\Apps\\Tool\\aux.txt", u"C:\\Apps\\Tool", false},
        {u"C:\\Apps\\Tool\\a.txt", u"", false},
    };
    for (const TCase& c : cases) EXPECT_EQ(IsTargetInsideFolder(c.Target, c.Folder), c.Inside) << Utf16ToUtf8(c.Target);
}
