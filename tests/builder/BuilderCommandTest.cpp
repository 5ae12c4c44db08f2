// The setup-builder command end to end: build a full and a mini setup from a fixture tree into a
// real stub, then inspect and extract them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "BuilderCommand.h"
#include "LuStrUtils.h"
#include "LuStreams.h"
#include "PackageBuilder.h"
#include "PackageFormat.h"
#include "PeResources.h"
#include "SetupScript.h"

namespace fs = std::filesystem;

namespace {

struct TStub {
    const char* Path;
    const char* Arch;
};

TStub TestStub()
{
#if defined(LUSETUP_STUB_i686)
    return {LUSETUP_STUB_i686, "x86"};
#elif defined(LUSETUP_WIN_STUB)
    return {LUSETUP_WIN_STUB, "x64"};
#else
    return {nullptr, nullptr};
#endif
}

std::string ReadAll(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

const char* const Png1x1 = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0\x1f\x15\xc4\x89"
                           "\0\0\0\rIDATx\x9c"
                           "c\xf8\xcf\xc0\xf0\x1f\0\x05\0\x01\xff\x89\x99=\x1d\0\0\0\0IEND\xae"
                           "B`\x82";
const size_t Png1x1Size = 70;

class BuilderCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        stub = TestStub();
        if (!stub.Path) GTEST_SKIP() << "no test stub in this build";
        root = fs::temp_directory_path() /
               (std::string("buildercmd-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        std::mt19937 rng(7);
        std::string big(5 << 20, '\0');
        for (char& c : big) c = char(rng() % 64);
        files = {
            {"files/app.exe", "MZ fake program"},
            {"files/empty.txt", ""},
            {"files/read me.txt", "readme"},
            {"files/doc/中文 说明.txt", "中文内容"},
            {"files/doc/copy of readme.txt", "readme"},
            {"files/doc/deep/big.bin", big},
            {"files/doc/deep/notes.md", "not matched by *.txt"},
        };
        for (const auto& [rel, content] : files) Write(rel, content);
        Write("logo.png", std::string(Png1x1, Png1x1Size));
        Write("chs.txt", "许可协议");
        Write("eng.txt", "Licence agreement");
    }
    void TearDown() override
    {
        if (!root.empty()) fs::remove_all(root);
    }

    void Write(const std::string& rel, const std::string& content)
    {
        const fs::path p = root / fs::u8path(rel);
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << content;
    }

    fs::path WriteScript(const std::string& baseInfoExtra)
    {
        Write("product.xml",
              "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<TSetupScript>\n"
              "<BaseInfo GUID=\"{A1B2C3D4-0000-1111-2222-333344445555}\" AppTitleCHS=\"演示产品\" AppTitleENG=\"Demo\" "
              "Version=\"2.5.0.7\" ProductName=\"Demo\" CompanyName=\"Example Ltd\" IconFile=\"logo.png\" "
              "LicenseFileCHS=\"chs.txt\" LicenseFileENG=\"eng.txt\" FullSetupFile=\"DemoSetup.exe\" " +
                  baseInfoExtra +
                  "/>\n"
                  "<FileList><Items>"
                  "<TSetupFile SourcePath=\"files\" SourceMask=\"app.exe\" DestDir=\"{app}\"/>"
                  "<TSetupFile SourcePath=\"files\" SourceMask=\"empty.txt\" DestDir=\"{app}\"/>"
                  "<TSetupFile SourcePath=\"files\" SourceMask=\"*.txt\" DestDir=\"{app}\\docs\" "
                  "IncludeSubPath=\"True\"/>"
                  "<TSetupFile SourcePath=\"files\\doc\\deep\" SourceMask=\"big.bin\" DestDir=\"{app}\\data\"/>"
                  "</Items></FileList>\n"
                  "<RegList><Items><TSetupReg RootKey=\"rrkLocalMachine\" SubKey=\"Software\\Demo\" ValueName=\"Path\" "
                  "ValueData=\"{app}\"/></Items></RegList>\n"
                  "<VarList><Items/></VarList>\n</TSetupScript>\n");
        return root / "product.xml";
    }

    TBuildCommandOptions Options(const fs::path& script, const std::string& out)
    {
        TBuildCommandOptions o;
        o.Script = script;
        o.OutDir = root / out;
        o.Arch = stub.Arch;
        o.Stub = stub.Path;
        o.Uninstaller = stub.Path;  // any executable of the architecture stands in for it
        o.Quiet = true;
        return o;
    }

    TStub stub{};
    fs::path root;
    std::vector<std::pair<std::string, std::string>> files;
};

}  // namespace

TEST_F(BuilderCommandTest, FullSetupRoundTripsThroughInspectAndExtract)
{
    std::ostringstream log;
    const TBuildCommandResult built = RunBuild(Options(WriteScript(""), "out"), log);
    ASSERT_EQ(built.Written.size(), 1u);
    const fs::path installer = root / "out" / "DemoSetup.exe";
    EXPECT_EQ(built.Written[0], installer);
    EXPECT_FALSE(fs::exists(root / "out" / ".DemoSetup.exe.tmp"));
    EXPECT_FALSE(fs::exists(root / "out" / ".DemoSetup.exe.payload.tmp"));

    std::ostringstream extractLog;
    EXPECT_EQ(RunExtract(installer, root / "tree", extractLog), 8);
    struct {
        const char* target;
        const char* source;
    } expected[] = {
        {"app/app.exe", "files/app.exe"},
        {"app/empty.txt", "files/empty.txt"},
        {"app/docs/empty.txt", "files/empty.txt"},
        {"app/docs/read me.txt", "files/read me.txt"},
        {"app/docs/doc/copy of readme.txt", "files/doc/copy of readme.txt"},
        {"app/docs/doc/中文 说明.txt", "files/doc/中文 说明.txt"},
        {"app/data/big.bin", "files/doc/deep/big.bin"},
    };
    EXPECT_TRUE(fs::is_regular_file(root / "tree/app/Uninstall.exe"));
    for (const auto& e : expected) {
        SCOPED_TRACE(e.target);
        ASSERT_TRUE(fs::exists(root / "tree" / fs::u8path(e.target)));
        EXPECT_EQ(ReadAll(root / "tree" / fs::u8path(e.target)), ReadAll(root / fs::u8path(e.source)));
    }
    EXPECT_FALSE(fs::exists(root / "tree/app/docs/doc/deep/notes.md"));

    std::ostringstream inspect;
    RunInspect(installer, false, inspect);
    const std::string report = inspect.str();
    for (const char* needle : {"kind:      full setup", "product:   演示产品 / Demo", "version:   2.5.0.7",
                               "{A1B2C3D4-0000-1111-2222-333344445555}", "languages: CHS ENG", "LOGO", "LICENSE_CHS",
                               "{app}\\docs\\doc\\中文 说明.txt", "{app}\\data\\big.bin"})
        EXPECT_NE(report.find(needle), std::string::npos) << needle << "\n" << report;
}

TEST_F(BuilderCommandTest, BuiltScriptIsTheSourceScriptPlusWhatTheBuilderFills)
{
    std::ostringstream log;
    const fs::path script = WriteScript("");
    RunBuild(Options(script, "out"), log);
    std::ostringstream xml;
    RunInspect(root / "out" / "DemoSetup.exe", true, xml);
    TSetupScript built;
    TMemoryStream builtStream(xml.str());
    built.LoadFromStream(builtStream);
    TSetupScript source;
    source.LoadFromFile(script.u16string());

    // Base information: only the resource names the script left empty were filled.
    EXPECT_EQ(built.BaseInfo->IconResID, u"LOGO");
    EXPECT_EQ(built.BaseInfo->LicenseCHSResID, u"LICENSE_CHS");
    EXPECT_EQ(built.BaseInfo->LicenseENGResID, u"LICENSE_ENG");
    EXPECT_EQ(built.BaseInfo->LicenseCHTResID, u"");
    source.BaseInfo->IconResID = u"LOGO";
    source.BaseInfo->LicenseCHSResID = u"LICENSE_CHS";
    source.BaseInfo->LicenseENGResID = u"LICENSE_ENG";
    EXPECT_TRUE(built.BaseInfo->IsEqual(source.BaseInfo.get()));
    EXPECT_TRUE(built.RegList->SameItems(source.RegList.get()));
    EXPECT_TRUE(built.VarList->SameItems(source.VarList.get()));

    // One entry per file, each with size, time and key; the uninstaller last.
    ASSERT_EQ(built.FileList->Count(), 8);
    EXPECT_EQ(built.FileList->Items(7)->DestDir, u"{app}");
    EXPECT_EQ(built.FileList->Items(7)->SourceMask, u"Uninstall.exe");
    for (int i = 0; i < built.FileList->Count(); ++i) {
        const TSetupFile& f = *built.FileList->Items(i);
        SCOPED_TRACE(Utf16ToUtf8(f.SourceMask));
        EXPECT_GT(f.LastWriteDate, 40000.0);
        EXPECT_EQ(f.ResID.empty(), f.FileBytes == 0);
    }
    // Identical content ("read me.txt" and "copy of readme.txt") shares one body.
    EXPECT_EQ(built.FileList->Items(3)->ResID, built.FileList->Items(4)->ResID);
}

TEST_F(BuilderCommandTest, SameInputsGiveByteIdenticalInstallers)
{
    std::ostringstream log;
    const fs::path script = WriteScript("");
    TBuildCommandOptions a = Options(script, "a");
    a.Jobs = 1;
    TBuildCommandOptions b = Options(script, "b");
    b.Jobs = 4;
    RunBuild(a, log);
    RunBuild(b, log);
    const std::string first = ReadAll(root / "a" / "DemoSetup.exe");
    EXPECT_GT(first.size(), size_t(5 << 20) / 2);
    EXPECT_TRUE(first == ReadAll(root / "b" / "DemoSetup.exe"));
}

TEST_F(BuilderCommandTest, MiniSetupCarriesScriptIconAndLicencesButNoPayload)
{
    std::ostringstream log;
    const TBuildCommandResult built = RunBuild(
        Options(WriteScript("BuildMiniSetup=\"True\" FullDownloadUrl=\"https://example.com/DemoSetup.exe\""), "out"),
        log);
    ASSERT_EQ(built.Written.size(), 2u);
    const fs::path mini = root / "out" / "product-mini.exe";
    EXPECT_EQ(built.Written[1], mini);
    TFileStream file(mini.u16string(), fmOpenRead);
    TPeImage image(file);
    auto has = [&](const char* name) {
        return image.HasResource({TResourceId(PackageResourceType), TResourceId(Utf8ToUtf16(name)), 0});
    };
    EXPECT_TRUE(has(MiniSetupScriptResID));
    EXPECT_FALSE(has(SetupScriptResID));
    EXPECT_FALSE(has(FileDataResID));
    EXPECT_TRUE(has("LOGO"));
    EXPECT_TRUE(has("LICENSE_ENG"));
    EXPECT_LT(fs::file_size(mini), fs::file_size(root / "out" / "DemoSetup.exe") / 10);

    std::ostringstream inspect;
    RunInspect(mini, false, inspect);
    EXPECT_NE(inspect.str().find("kind:      mini setup"), std::string::npos) << inspect.str();
    EXPECT_NE(inspect.str().find("downloads: https://example.com/DemoSetup.exe"), std::string::npos);
}

TEST_F(BuilderCommandTest, FailuresWriteNothing)
{
    std::ostringstream log;
    struct {
        std::string extra;
        std::string arch;
        const char* message;
    } cases[] = {
        {"BuildMiniSetup=\"True\"", "", "BuildMiniSetup is set but FullDownloadUrl is empty"},
        {"", stub.Arch == std::string("x86") ? "x64" : "x86", "but --arch is"},
        {"", "arm", "--arch must be x86 or x64"},
        {"", "", "not found; name one with --uninstaller"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        TBuildCommandOptions o = Options(WriteScript(c.extra), "out");
        if (!c.arch.empty()) o.Arch = c.arch;
        if (std::string(c.message).find("--uninstaller") != std::string::npos)
            o.Uninstaller = root / "no-uninstaller.exe";
        try {
            RunBuild(o, log);
            ADD_FAILURE() << "nothing raised";
        } catch (const EBuildError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
        EXPECT_FALSE(fs::exists(root / "out" / "DemoSetup.exe"));
        if (fs::exists(root / "out")) {
            EXPECT_TRUE(fs::is_empty(root / "out"));
        }
    }

    // A source tree that Windows cannot install (here two names that differ only in case, where
    // the file system tells them apart) stops the build before anything is written.
    Write("files/READ ME.txt", "other");
    if (ReadAll(root / "files/read me.txt") == "readme") {
        try {
            RunBuild(Options(WriteScript(""), "out"), log);
            ADD_FAILURE() << "nothing raised";
        } catch (const EBuildError& e) {
            EXPECT_NE(std::string(e.what()).find("differs only in case"), std::string::npos) << e.what();
        }
        EXPECT_TRUE(fs::is_empty(root / "out"));
    }
}

TEST_F(BuilderCommandTest, UninstallerGetsTheProductsVersionUnlessTheScriptDeliversItsOwn)
{
    std::ostringstream log;
    RunBuild(Options(WriteScript("UninstallFileDescription=\"Demo Uninstaller\""), "out"), log);
    std::ostringstream extractLog;
    RunExtract(root / "out" / "DemoSetup.exe", root / "tree", extractLog);
    TFileStream file((root / "tree/app/Uninstall.exe").u16string(), fmOpenRead);
    TPeImage image(file);
    const std::string version = image.ReadResource({TResourceId(RT_VERSION_ID), TResourceId(1), 0x0409});
    auto has = [&](const std::u16string& text) {
        return version.find(std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2)) !=
               std::string::npos;
    };
    EXPECT_TRUE(has(u"Demo Uninstaller"));
    EXPECT_TRUE(has(u"Uninstall.exe"));
    EXPECT_TRUE(has(u"2.5.0.7"));

    // A script with a file of that name keeps it, and needs no uninstaller from the builder.
    Write("own/Uninstall.exe", "the product's own");
    std::string xml = ReadAll(WriteScript(""));
    xml.replace(xml.find("</Items></FileList>"), 0,
                "<TSetupFile SourcePath=\"own\" SourceMask=\"Uninstall.exe\" NewFileName=\"UNINSTALL.exe\" "
                "DestDir=\"{APP}\\\"/>");
    Write("product.xml", xml);
    TBuildCommandOptions o = Options(root / "product.xml", "own-out");
    o.Uninstaller = root / "no-uninstaller.exe";
    RunBuild(o, log);
    RunExtract(root / "own-out" / "DemoSetup.exe", root / "own-tree", extractLog);
    EXPECT_EQ(ReadAll(root / "own-tree/APP/UNINSTALL.exe"), "the product's own");
    // ...and no second one beside it (counted, since Windows' names ignore case).
    int uninstallers = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root / "own-tree"))
        if (LowerCaseAscii(entry.path().filename().u16string()) == u"uninstall.exe") ++uninstallers;
    EXPECT_EQ(uninstallers, 1);
}

// Writes that fail only when the last buffer goes to the disk (a full disk, here /dev/full behind a
// link) fail the command: no installer under its real name, no "extracted" for a lost file.
TEST_F(BuilderCommandTest, AWriteThatFailsAtTheCloseFailsTheCommand)
{
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
    std::ostringstream log;
    const fs::path script = WriteScript("");
    for (const char* temp : {".DemoSetup.exe.tmp", ".DemoSetup.exe.payload.tmp"}) {
        SCOPED_TRACE(temp);
        fs::remove_all(root / "out");
        fs::create_directories(root / "out");
        fs::create_symlink("/dev/full", root / "out" / temp);
        EXPECT_THROW(RunBuild(Options(script, "out"), log), EWriteError);
        EXPECT_FALSE(fs::exists(root / "out" / "DemoSetup.exe"));
    }

    RunBuild(Options(script, "good"), log);
    fs::create_directories(root / "tree/app");
    fs::create_symlink("/dev/full", root / "tree/app/app.exe");  // the first file, 15 bytes
    std::ostringstream out, err;
    EXPECT_EQ(BuilderMain({"extract", (root / "good/DemoSetup.exe").string(), (root / "tree").string()},
                          "setup-builder", out, err),
              1);
    EXPECT_NE(err.str().find("Cannot write file"), std::string::npos) << err.str();
    EXPECT_EQ(err.str().find("extracted"), std::string::npos) << err.str();
}

TEST(BuilderCommandPaths, ExtractionPathsStayInsideTheFolder)
{
    struct {
        const char16_t* dir;
        const char16_t* name;
        const char* expected;
    } cases[] = {
        {u"{app}", u"a.exe", "app/a.exe"},
        {u"{app}\\bin\\", u"a.exe", "app/bin/a.exe"},
        {u"C:\\Tools", u"t.exe", "C_/Tools/t.exe"},
        {u"{pf}/Demo", u"x", "pf/Demo/x"},
        {u"", u"x", "x"},
    };
    for (const auto& c : cases) EXPECT_EQ(ExtractionPath(c.dir, c.name).generic_u8string(), c.expected);
    EXPECT_THROW(ExtractionPath(u"{app}\\..\\..", u"evil"), EBuildError);
    EXPECT_THROW(ExtractionPath(u"{app}", u"..\\evil"), EBuildError);
}

TEST(BuilderCommandMain, UsageAndExitCodes)
{
    std::ostringstream out, err;
    EXPECT_EQ(BuilderMain({}, "setup-builder", out, err), 2);
    EXPECT_EQ(BuilderMain({"--help"}, "setup-builder", out, err), 0);
    EXPECT_EQ(BuilderMain({"frobnicate"}, "setup-builder", out, err), 2);
    EXPECT_EQ(BuilderMain({"build"}, "setup-builder", out, err), 2);
    EXPECT_EQ(BuilderMain({"build", "x.xml", "-j", "zero"}, "setup-builder", out, err), 2);
    err.str("");
    EXPECT_EQ(BuilderMain({"build", "x.xml"}, "/nowhere/setup-builder", out, err), 1);
    EXPECT_NE(err.str().find("no installer stub for x86 at "), std::string::npos) << err.str();
    err.str("");
    EXPECT_EQ(BuilderMain({"inspect", "/nowhere/missing.exe"}, "setup-builder", out, err), 1);
    EXPECT_NE(err.str().find("Cannot open file"), std::string::npos) << err.str();
}
