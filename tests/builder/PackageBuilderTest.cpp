// The builder's package side: masks, expansion of file entries, side resources, the payload.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>

#include "FileData.h"
#include "LuStrUtils.h"
#include "LuStreams.h"
#include "PackageBuilder.h"
#include "Setupfn.h"

namespace fs = std::filesystem;

namespace {

const char* const ScriptHead = "<TSetupScript><BaseInfo GUID=\"{11111111-2222-3333-4444-555555555555}\" "
                               "AppTitleCHS=\"产品\" Version=\"1.2.3.4\"/>";

class PackageBuilderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() /
               (std::string("pkgbuild-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root / "src");
    }
    void TearDown() override { fs::remove_all(root); }

    // rel is UTF-8 (a narrow path would be read in the ANSI code page on Windows).
    void Write(const std::string& rel, const std::string& content)
    {
        const fs::path p = root / fs::u8path(rel);
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << content;
    }

    fs::path Script(const std::string& body, const std::string& head = ScriptHead)
    {
        Write("setup.xml", head + body + "</TSetupScript>");
        return root / "setup.xml";
    }

    std::string Message(const std::function<void()>& f)
    {
        try {
            f();
        } catch (const EBuildError& e) {
            return e.what();
        }
        return "(nothing raised)";
    }

    fs::path root;
};

std::string FileEntry(const std::string& attributes) { return "<TSetupFile " + attributes + "/>"; }

}  // namespace

TEST(PackageBuilderMask, Matching)
{
    struct {
        const char16_t* name;
        const char16_t* mask;
        bool match;
    } cases[] = {
        {u"a.txt", u"*.txt", true},
        {u"a.TXT", u"*.txt", true},
        {u"a.txt.bak", u"*.txt", false},
        {u"abc", u"a?c", true},
        {u"ac", u"a?c", false},
        {u"readme", u"*", true},
        {u"x.y.z", u"*.*", true},
        {u"名字.dll", u"名*.DLL", true},
        {u"aXbXc", u"a*b*c", true},
        {u"aXbX", u"a*b*c", false},
        {u"", u"*", true},
        {u"abc", u"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MatchesMask(c.name, c.mask), c.match) << Utf16ToUtf8(c.name) << " ~ " << Utf16ToUtf8(c.mask);
}

TEST_F(PackageBuilderTest, ExpandsMasksAndSubfoldersIntoOneEntryPerFile)
{
    Write("src/app.exe", "MZ program");
    Write("src/read me.txt", "hello");
    Write("src/empty.dat", "");
    Write("src/data/中文 名.txt", "chinese");
    Write("src/data/deep/x.txt", "deep");
    Write("src/data/skip.bin", "bin");
    TPackageBuilder b(
        Script("<FileList><Items>" + FileEntry("SourcePath=\"src\" SourceMask=\"app.exe\" DestDir=\"{app}\"") +
               FileEntry("SourcePath=\"src\" SourceMask=\"*.txt\" DestDir=\"{app}\\doc\" IncludeSubPath=\"True\"") +
               FileEntry("SourcePath=\"src\" SourceMask=\"empty.dat\" DestDir=\"{app}\"") + "</Items></FileList>"));
    b.ExpandFiles();
    const TSetupFileList& list = *b.Script().FileList;
    ASSERT_EQ(list.Count(), 5);
    struct {
        const char16_t* mask;
        const char16_t* destDir;
        const char16_t* sourcePath;
        int bytes;
    } expected[] = {
        {u"app.exe", u"{app}", u"src", 10},
        {u"read me.txt", u"{app}\\doc", u"src", 5},
        {u"中文 名.txt", u"{app}\\doc\\data", u"src\\data", 7},
        {u"x.txt", u"{app}\\doc\\data\\deep", u"src\\data\\deep", 4},
        {u"empty.dat", u"{app}", u"src", 0},
    };
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(list.Items(i)->SourceMask, expected[i].mask);
        EXPECT_EQ(list.Items(i)->DestDir, expected[i].destDir);
        EXPECT_EQ(list.Items(i)->SourcePath, expected[i].sourcePath);
        EXPECT_EQ(list.Items(i)->FileBytes, expected[i].bytes);
        EXPECT_GT(list.Items(i)->LastWriteDate, 40000.0);  // a date of this century
    }
}

TEST_F(PackageBuilderTest, ErrorsNameTheEntryAndThePath)
{
    Write("src/a.txt", "a");
    Write("src/b.txt", "b");
    Write("icon.png", "GIF89a not a png");
    struct {
        std::string body;
        const char* expected;
    } cases[] = {
        {FileEntry("SourcePath=\"src\" SourceMask=\"missing.txt\""), "file entry 1 (missing.txt): file not found: "},
        {FileEntry("SourcePath=\"src\" SourceMask=\"*.doc\""), "file entry 1 (*.doc): no file matches "},
        {FileEntry("SourcePath=\"nowhere\" SourceMask=\"a.txt\""), "file entry 1 (a.txt): source folder "},
        {FileEntry("SourcePath=\"src\" SourceMask=\"*.txt\" NewFileName=\"x\""),
         "file entry 1 (*.txt): NewFileName is set"},
        {FileEntry("SourcePath=\"src\" SourceMask=\"\""), "file entry 1 (): SourceMask is empty"},
    };
    for (const auto& c : cases) {
        TPackageBuilder b(Script("<FileList><Items>" + c.body + "</Items></FileList>"));
        EXPECT_EQ(Message([&] { b.ExpandFiles(); }).rfind(c.expected, 0), 0u) << Message([&] { b.ExpandFiles(); });
    }

    TPackageBuilder icon(
        Script("", "<TSetupScript><BaseInfo GUID=\"{11111111-2222-3333-4444-555555555555}\" IconFile=\"icon.png\"/>"));
    EXPECT_NE(Message([&] { icon.SideResources(); }).find("icon.png is not a PNG image"), std::string::npos);

    TPackageBuilder orphan(
        Script("", "<TSetupScript><BaseInfo GUID=\"{11111111-2222-3333-4444-555555555555}\" LicenseENGResID=\"L\"/>"));
    EXPECT_NE(Message([&] { orphan.SideResources(); }).find("LicenseFileENG: the script names the resource L"),
              std::string::npos);

    TPackageBuilder noIcon(Script("", "<TSetupScript><BaseInfo GUID=\"{11111111-2222-3333-4444-555555555555}\"/>"));
    EXPECT_NE(Message([&] { noIcon.SideResources(); }).find("IconFile is empty"), std::string::npos);

    const std::string noGuid = Message([&] { TPackageBuilder(Script("", "<TSetupScript><BaseInfo/>")); });
    EXPECT_NE(noGuid.find("has no GUID"), std::string::npos) << noGuid;
    EXPECT_NE(noGuid.find("GUID=\"{"), std::string::npos) << noGuid;  // a fresh key to paste

    Write("broken.xml", "<TSetupScript><BaseInfo GUID=\"x\"");
    EXPECT_NE(Message([&] { TPackageBuilder(root / "broken.xml"); }).find("is not a readable setup script"),
              std::string::npos);
}

TEST_F(PackageBuilderTest, SideResourcesGetNamesWhenTheScriptLeavesThemEmpty)
{
    Write("logo.png", std::string("\x89PNG\r\n\x1a\n", 8) + "rest");
    Write("eng.txt", "licence");
    TPackageBuilder b(Script("", "<TSetupScript><BaseInfo GUID=\"{11111111-2222-3333-4444-555555555555}\" "
                                 "IconFile=\"logo.png\" LicenseFileENG=\"eng.txt\" LicenseENGResID=\"MYLIC\"/>"));
    const std::vector<TSideResource> side = b.SideResources();
    ASSERT_EQ(side.size(), 2u);
    EXPECT_EQ(side[0].Name, u"LOGO");
    EXPECT_EQ(b.Script().BaseInfo->IconResID, u"LOGO");
    EXPECT_EQ(side[1].Name, u"MYLIC");
    EXPECT_EQ(side[1].Bytes, "licence");
    EXPECT_EQ(b.IconPng().size(), 12u);
}

TEST_F(PackageBuilderTest, PayloadStoresIdenticalContentOnceAndReadsBack)
{
    std::mt19937 rng(42);
    std::string big(3 << 20, '\0');
    for (char& c : big) c = char(rng() % 16);  // compressible but not trivial
    Write("src/big.bin", big);
    Write("src/one.txt", "same content");
    Write("src/sub/two.txt", "same content");
    Write("src/zero.txt", "");
    TPackageBuilder b(
        Script("<FileList><Items>" +
               FileEntry("SourcePath=\"src\" SourceMask=\"*\" DestDir=\"{app}\" IncludeSubPath=\"True\"") +
               "</Items></FileList><VarList/>"));
    b.ExpandFiles();
    TMemoryStream payload;
    const TPayloadStats stats = b.WritePayload(payload, 3);
    EXPECT_EQ(stats.Files, 3);
    EXPECT_EQ(stats.Bodies, 2);
    EXPECT_EQ(stats.PayloadBytes, uint64_t(payload.Size()));

    TFileDataList table;
    table.LoadFromBytes(payload.Memory(), size_t(payload.Size()));
    EXPECT_EQ(table.Count(), 2);
    const TSetupFileList& files = *b.Script().FileList;
    std::map<std::u16string, std::string> expected = {
        {u"big.bin", big}, {u"one.txt", "same content"}, {u"two.txt", "same content"}};
    for (int i = 0; i < files.Count(); ++i) {
        const TSetupFile& f = *files.Items(i);
        if (f.FileBytes == 0) {
            EXPECT_EQ(f.ResID, u"");
            continue;
        }
        const TFileData* body = table.FindByGUID(f.ResID);
        ASSERT_NE(body, nullptr) << Utf16ToUtf8(f.SourceMask);
        EXPECT_EQ(TFileDataList::DecodeContent(*body).ToString(), expected[f.SourceMask]);
    }
    // Files of a folder come before its subfolders: big.bin, one.txt, zero.txt, sub\two.txt.
    EXPECT_EQ(files.Items(1)->SourceMask, u"one.txt");
    EXPECT_EQ(files.Items(3)->SourceMask, u"two.txt");
    EXPECT_EQ(files.Items(1)->ResID, files.Items(3)->ResID);
}

TEST_F(PackageBuilderTest, SameInputsGiveTheSameBytes)
{
    for (int i = 0; i < 20; ++i)
        Write("src/f" + std::to_string(i) + ".txt", std::string(size_t(i) * 1000, char('a' + i)));
    auto build = [&](int jobs) {
        TPackageBuilder b(
            Script("<FileList><Items>" + FileEntry("SourcePath=\"src\" SourceMask=\"*.txt\"") + "</Items></FileList>"));
        b.ExpandFiles();
        TMemoryStream payload;
        b.WritePayload(payload, jobs);
        return std::make_pair(payload.ToString(), b.ScriptXml());
    };
    const auto one = build(1);
    const auto four = build(4);
    EXPECT_EQ(one.first, four.first);
    EXPECT_EQ(one.second, four.second);  // also without a VarList: {GUID} is not left to chance
}

TEST_F(PackageBuilderTest, AFileThatFailsToReadStopsTheBuild)
{
    Write("src/a.txt", "aaaa");
    TPackageBuilder b(
        Script("<FileList><Items>" + FileEntry("SourcePath=\"src\" SourceMask=\"a.txt\"") + "</Items></FileList>"));
    b.ExpandFiles();
    fs::remove(root / "src/a.txt");
    TMemoryStream payload;
    EXPECT_NE(Message([&] { b.WritePayload(payload, 2); }).find("cannot read"), std::string::npos);
}

// Source trees that Windows could not install as they are. Each case is its own folder; a case
// whose files this system cannot make (Windows itself refuses most of these names) is skipped.
TEST_F(PackageBuilderTest, RefusesNamesLinksAndTargetsThatWindowsCannotInstall)
{
    Write("outside.txt", "outside the tree");
    struct TCase {
        std::vector<std::string> Files;  // "name" a file, "name -> target" a link
        const char* NewFileName;
        const char* Expected;  // part of the error; empty: the tree builds
    };
    const TCase cases[] = {
        {{"notes.txt:hidden"}, "", "holds \":\""},
        {{"CON"}, "", "\"CON\" is a device name"},
        {{"aux.txt"}, "", "\"aux.txt\" is a device name"},
        {{"dots..."}, "", "ends in a dot or a blank"},
        {{"trailing "}, "", "ends in a dot or a blank"},
        {{"..\\..\\evil.dll"}, "", "holds \"\\\""},
        {{"bell\a.txt"}, "", "control character 0x07"},
        {{"sub/LPT1/x.txt"}, "", "\"LPT1\" is a device name"},
        {{"dir./x.txt"}, "", "\"dir.\" ends in a dot"},
        {{"ok.txt"}, "nul.txt", "\"nul.txt\" is a device name"},
        {{"CON"}, "console.txt", ""},  // installed under another name
        {{"link.txt -> ../outside.txt"}, "", "outside the entry's folder"},
        {{"real.txt", "sub/link.txt -> ../real.txt"}, "", ""},  // a link inside the tree is fine
        {{"Index.html", "index.html"}, "", "differs only in case"},
        {{"Doc/a.txt", "doc/a.txt"}, "", "differs only in case"},
        {{"Doc/a.txt", "doc/b.txt"}, "", ""},
    };
    int made = 0;
    for (size_t i = 0; i < std::size(cases); ++i) {
        const TCase& c = cases[i];
        const std::string dir = "case" + std::to_string(i);
        SCOPED_TRACE(dir + ": " + c.Files[0]);
        std::set<fs::path> wanted;
        for (const std::string& entry : c.Files) {
            const size_t arrow = entry.find(" -> ");
            const fs::path rel = fs::u8path(entry.substr(0, arrow));
            const fs::path p = root / dir / rel;
            std::error_code ec;
            fs::create_directories(p.parent_path(), ec);
            if (arrow == std::string::npos) {
                std::ofstream(p, std::ios::binary) << "content";
            } else {
                fs::create_symlink(fs::u8path(entry.substr(arrow + 4)), p, ec);
            }
            wanted.insert(rel);
        }
        // The tree must hold exactly these names (Windows drops trailing dots, opens devices,
        // folds case), or the case says nothing here.
        std::set<fs::path> listed;
        std::error_code ec;
        for (fs::recursive_directory_iterator it(root / dir, ec), end; !ec && it != end; it.increment(ec))
            if (!it->is_directory()) listed.insert(it->path().lexically_relative(root / dir));
        if (ec || listed != wanted) continue;
        ++made;
        const std::string entry = std::string("SourcePath=\"") + dir + "\" SourceMask=\"" +
                                  (*c.NewFileName ? fs::u8path(c.Files[0]).filename().u8string() : std::string("*")) +
                                  "\" DestDir=\"{app}\" IncludeSubPath=\"True\"" +
                                  (*c.NewFileName ? std::string(" NewFileName=\"") + c.NewFileName + "\"" : "");
        TPackageBuilder b(Script("<FileList><Items>" + FileEntry(entry) + "</Items></FileList>"));
        const std::string message = Message([&] { b.ExpandFiles(); });
        if (!*c.Expected) {
            EXPECT_EQ(message, "(nothing raised)");
            continue;
        }
        EXPECT_EQ(message.rfind("file entry 1 (", 0), 0u) << message;  // the entry
        EXPECT_NE(message.find(dir), std::string::npos) << message;    // and the path
        EXPECT_NE(message.find(c.Expected), std::string::npos) << message;
    }
#ifndef _WIN32
    EXPECT_EQ(made, int(std::size(cases)));  // here every one of these trees can be made
#endif

    // Across entries: the same target twice is the script's choice (placeholders and a trailing
    // "\" spelled differently included); a folder spelled in another case is a collision.
    Write("twice/a.txt", "a");
    auto build = [&](const char* secondDestDir) {
        TPackageBuilder b(Script(
            "<FileList><Items>" + FileEntry("SourcePath=\"twice\" SourceMask=\"a.txt\" DestDir=\"{app}\\Sub\"") +
            FileEntry(std::string("SourcePath=\"twice\" SourceMask=\"a.txt\" DestDir=\"") + secondDestDir + "\"") +
            "</Items></FileList>"));
        return Message([&] { b.ExpandFiles(); });
    };
    EXPECT_EQ(build("{APP}/Sub\\"), "(nothing raised)");
    const std::string collision = build("{app}\\sub");
    EXPECT_EQ(collision.rfind("file entry 2 (a.txt): ", 0), 0u) << collision;
    EXPECT_NE(collision.find("differs only in case from {app}\\Sub\\a.txt (file entry 1 (a.txt), "), std::string::npos)
        << collision;
}
