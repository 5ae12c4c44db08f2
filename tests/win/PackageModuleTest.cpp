// The package module over real executables: copies of the test's helper programs that receive
// package resources with UpdateResource, one of them a program whose imports cannot be resolved;
// and package files that the process writes itself before it opens them.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <random>

#include "FileData.h"
#include "LuExceptions.h"
#include "LuPackageModule.h"
#include "LuStrUtils.h"
#include "LuSysUtilsWin.h"
#include "PackageFormat.h"
#include "Setupfn.h"
#include "WinTestSupport.h"

namespace {

std::string Encode(const std::string& bytes)
{
    TMemoryStream stream(bytes);
    TSetupfn::EncodeStream(stream);
    return stream.ToString();
}

std::string Int32LE(int32_t n)
{
    const uint32_t u = uint32_t(n);
    return {char(u & 0xFF), char((u >> 8) & 0xFF), char((u >> 16) & 0xFF), char((u >> 24) & 0xFF)};
}

struct TBody {
    std::u16string GUID;
    std::string Content;
};

// Encoded bodies, the encoded file table and its length, as the builder lays a payload out.
std::string Payload(const std::vector<TBody>& files)
{
    std::string bodies;
    TFileDataList list;
    for (const TBody& f : files) {
        const std::string body = Encode(f.Content);
        auto entry = std::make_unique<TFileData>();
        entry->GUID = f.GUID;
        entry->Offset = int32_t(bodies.size());
        entry->Bytes = int32_t(body.size());
        list.Add(std::move(entry));
        bodies += body;
    }
    TMemoryStream table;
    list.SaveToStream(table);
    TSetupfn::EncodeStream(table);
    return bodies + table.ToString() + Int32LE(int32_t(table.Size()));
}

struct TResource {
    std::string Name;
    std::string Bytes;
};

void AddResources(const std::u16string& exe, const std::vector<TResource>& resources)
{
    const HANDLE update = BeginUpdateResourceW(W(exe), FALSE);
    ASSERT_TRUE(update != nullptr) << Utf16ToUtf8(exe);
    for (const TResource& r : resources) {
        const std::u16string name = Utf8ToUtf16(r.Name);
        ASSERT_TRUE(UpdateResourceW(update, MAKEINTRESOURCEW(PackageResourceType), W(name),
                                    MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), const_cast<char*>(r.Bytes.data()),
                                    DWORD(r.Bytes.size())))
            << r.Name;
    }
    ASSERT_TRUE(EndUpdateResourceW(update, FALSE));
}

std::string RandomBytes(size_t count)
{
    std::mt19937 random(7);
    std::string bytes;
    for (size_t i = 0; i < count; ++i) bytes += char(random() & 0xFF);
    return bytes;
}

const std::string ScriptXml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<TSetupScript/>\r\n";
// Larger than 255 bytes encoded, so that the scrambling mask wraps.
const std::string Licence = RandomBytes(3000);
const std::vector<TBody> Files = {{u"{11111111-1111-1111-1111-111111111111}", "first file\r\n"},
                                  {u"{22222222-2222-2222-2222-222222222222}", RandomBytes(700)}};
const std::string Broken = "these bytes are no scrambled zlib stream";

class PackageModuleTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Folder = std::make_unique<TTempFolder>();
        const std::vector<TResource> package = {{SetupScriptResID, Encode(ScriptXml)},
                                                {"LICENSE_ENG", Encode(Licence)},
                                                {FileDataResID, Payload(Files)},
                                                {"BROKEN", Broken}};
        ASSERT_TRUE(CopyFileW(W(HelperPath()), W(Package()), FALSE));
        AddResources(Package(), package);
        ASSERT_TRUE(CopyFileW(W(TestExeDir() + u"win_test_badimport.exe"), W(BadImport()), FALSE));
        AddResources(BadImport(), package);
        ASSERT_TRUE(CopyFileW(W(HelperPath()), W(ScriptOnly()), FALSE));
        AddResources(ScriptOnly(), {{MiniSetupScriptResID, Encode(ScriptXml)}});
        WriteFileText(NotAModule(), "MZ but nothing else");
    }
    static void TearDownTestSuite() { Folder.reset(); }

    static std::u16string Package() { return *Folder / u"package.exe"; }
    static std::u16string BadImport() { return *Folder / u"badimport.exe"; }
    static std::u16string ScriptOnly() { return *Folder / u"mini.exe"; }
    static std::u16string NotAModule() { return *Folder / u"text.exe"; }

    static std::unique_ptr<TTempFolder> Folder;
};
std::unique_ptr<TTempFolder> PackageModuleTest::Folder;

void ExpectNotFound(const std::function<void()>& action, const std::string& name)
{
    try {
        action();
        ADD_FAILURE() << "no error for " << name;
    } catch (const EResNotFound& e) {
        EXPECT_EQ(e.Message(), u"Resource " + Utf8ToUtf16(name) + u" not found");
    }
}

void ExpectPackage(const TPackageModule& module)
{
    ASSERT_TRUE(module.IsOpen());
    for (const char* name : {SetupScriptResID, "LICENSE_ENG", FileDataResID, "BROKEN"})
        EXPECT_TRUE(module.HasPackageResource(name)) << name;
    for (const char* name : {MiniSetupScriptResID, "LICENSE_CHS", ""})
        EXPECT_FALSE(module.HasPackageResource(name)) << name;

    TMemoryStream stream("left-over content");
    EXPECT_TRUE(module.LoadPackageResource(SetupScriptResID, stream));
    EXPECT_EQ(stream.ToString(), ScriptXml);
    EXPECT_EQ(stream.Position(), 0);
    EXPECT_TRUE(module.LoadPackageResource("LICENSE_ENG", stream));
    EXPECT_TRUE(stream.ToString() == Licence);

    TFileDataList table;
    EXPECT_TRUE(module.LoadFileTable(table));
    ASSERT_EQ(table.Count(), int(Files.size()));
    for (const TBody& f : Files) {
        const TFileData* entry = table.FindByGUID(f.GUID);
        ASSERT_NE(entry, nullptr) << Utf16ToUtf8(f.GUID);
        EXPECT_TRUE(TFileDataList::DecodeContent(*entry).ToString() == f.Content) << Utf16ToUtf8(f.GUID);
    }
}

TEST_F(PackageModuleTest, FindsAndDecodesItsResources) { ExpectPackage(TPackageModule::OpenFile(Package())); }

TEST_F(PackageModuleTest, ReadsTheResourcesOfAProgramWhoseImportsCannotBeResolved)
{
    // The fixture is what it claims: the loader cannot start it.
    std::u16string command = u"\"" + BadImport() + u"\"";
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(0);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        TUniqueHandle process(pi.hProcess), thread(pi.hThread);
        ASSERT_EQ(WaitForSingleObject(process.Get(), 20000), WAIT_OBJECT_0);
        DWORD code = 0;
        GetExitCodeProcess(process.Get(), &code);
        EXPECT_EQ(code, DWORD(0xC0000135)) << "the program started: its import was found";  // DLL not found
    }

    ExpectPackage(TPackageModule::OpenFile(BadImport()));
}

TEST_F(PackageModuleTest, RefusesMissingResourcesAndDamagedData)
{
    const TPackageModule module = TPackageModule::OpenFile(Package());
    TMemoryStream stream;
    ExpectNotFound([&] { module.LoadPackageResource(MiniSetupScriptResID, stream); }, MiniSetupScriptResID);
    ExpectNotFound([&] { module.ResourceBytes("LICENSE_CHT"); }, "LICENSE_CHT");
    EXPECT_THROW(module.LoadPackageResource("BROKEN", stream), EDecompressionError);

    const TPackageModule mini = TPackageModule::OpenFile(ScriptOnly());
    EXPECT_TRUE(mini.HasPackageResource(MiniSetupScriptResID));
    EXPECT_FALSE(mini.HasPackageResource(SetupScriptResID));
    TFileDataList table;
    ExpectNotFound([&] { mini.LoadFileTable(table); }, FileDataResID);
}

TEST_F(PackageModuleTest, GivesResourceBytesInPlace)
{
    const TPackageModule module = TPackageModule::OpenFile(Package());
    const TResourceBytes bytes = module.ResourceBytes("BROKEN");
    ASSERT_EQ(bytes.Size, Broken.size());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.Data), bytes.Size), Broken);
    // The bytes lie in the module's own mapping, not in a copy.
    MEMORY_BASIC_INFORMATION info = {};
    ASSERT_NE(VirtualQuery(bytes.Data, &info, sizeof info), 0u);
    const ULONG_PTR base = reinterpret_cast<ULONG_PTR>(module.Handle()) & ~ULONG_PTR(3);
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(info.AllocationBase), base);
}

TEST_F(PackageModuleTest, NoOneCanWriteTheFileWhileItIsOpen)
{
    TPackageModule module = TPackageModule::OpenFile(Package());
    ASSERT_TRUE(module.IsOpen());
    const DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    {
        TUniqueHandle writer(CreateFileW(W(Package()), GENERIC_WRITE, shareAll, nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_FALSE(writer) << "the package file could be opened for writing";
    }
    // Nor replace it under its name.
    EXPECT_FALSE(MoveFileW(W(Package()), W(*Folder / u"renamed.exe"))) << "the package file could be renamed";
    EXPECT_FALSE(DeleteFileW(W(Package()))) << "the package file could be deleted";
    // Readers are welcome.
    TUniqueHandle reader(CreateFileW(W(Package()), GENERIC_READ, shareAll, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(reader);
    reader.Reset();

    TPackageModule moved = std::move(module);
    EXPECT_FALSE(module.IsOpen());
    EXPECT_FALSE(module.HasPackageResource(SetupScriptResID));
    EXPECT_TRUE(moved.HasPackageResource(SetupScriptResID));
    moved.Close();
    EXPECT_FALSE(moved.IsOpen());
    TUniqueHandle writer(CreateFileW(W(Package()), GENERIC_WRITE, shareAll, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(writer) << "the package file stayed locked after Close";
    // A file someone is writing is not taken as a package: its content could still change.
    EXPECT_FALSE(TPackageModule::OpenFile(Package()).IsOpen());
}

TEST_F(PackageModuleTest, AFileThatIsNoModuleHoldsNoResources)
{
    for (const std::u16string& file : {NotAModule(), *Folder / u"missing.exe"}) {
        SCOPED_TRACE(Utf16ToUtf8(file));
        const TPackageModule module = TPackageModule::OpenFile(file);
        EXPECT_FALSE(module.IsOpen());
        EXPECT_FALSE(module.HasPackageResource(SetupScriptResID));
        TMemoryStream stream;
        ExpectNotFound([&] { module.LoadPackageResource(SetupScriptResID, stream); }, SetupScriptResID);
    }
    const TPackageModule none;
    EXPECT_FALSE(none.HasPackageResource(SetupScriptResID));
}

// ---- A package file written by the process, then opened as its module ---------------------------

std::string FileBytes(const std::u16string& file)
{
    TUniqueHandle h(CreateFileW(W(file), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (h && ReadFile(h.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    return bytes;
}

// Writes `bytes` through a writer in uneven pieces, as a download arrives.
void WriteInPieces(TPackageFileWriter& writer, const std::string& bytes)
{
    size_t at = 0, piece = 1;
    while (at < bytes.size()) {
        const size_t n = std::min(piece, bytes.size() - at);
        writer.WriteBuffer(bytes.data() + at, int64_t(n));
        at += n;
        piece = piece * 3 + 7;
    }
}

TEST_F(PackageModuleTest, AWrittenPackageFileIsLockedWhileWrittenAndOpensAsItsModule)
{
    const std::string package = FileBytes(Package());
    const std::u16string file = *Folder / u"{DOWNLOAD-1}.exe";
    TPackageFileWriter writer(file);
    EXPECT_EQ(writer.FileName(), file);
    WriteInPieces(writer, package);
    EXPECT_EQ(writer.Position(), int64_t(package.size()));

    const DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    EXPECT_FALSE(TUniqueHandle(CreateFileW(W(file), GENERIC_WRITE, shareAll, nullptr, OPEN_EXISTING, 0, nullptr)))
        << "another writer while it is written";
    EXPECT_FALSE(MoveFileW(W(file), W(*Folder / u"moved.exe"))) << "renamed while it is written";
    EXPECT_FALSE(DeleteFileW(W(file))) << "deleted while it is written";

    TPackageModule module = writer.OpenModule();
    ExpectPackage(module);
    EXPECT_FALSE(MoveFileW(W(file), W(*Folder / u"moved.exe"))) << "renamed once it is the module";
    EXPECT_TRUE(FileBytes(file) == package);
}

TEST_F(PackageModuleTest, AWrittenPackageFileIsNotUsedWhenItChangedBeforeItWasOpened)
{
    const std::string package = FileBytes(Package());
    struct Case {
        const char* name;
        std::function<void(const std::u16string& file)> change;
    } cases[] = {
        {"one byte changed in place",
         [&](const std::u16string& file) {
             std::string bytes = package;
             bytes[bytes.size() / 2] ^= 0x01;
             WriteFileText(file, bytes);
         }},
        {"bytes appended", [&](const std::u16string& file) { WriteFileText(file, package + "tail"); }},
        // Another file under the name, even one with the very same bytes.
        {"moved away and replaced by a copy",
         [&](const std::u16string& file) {
             ASSERT_TRUE(MoveFileW(W(file), W(file + u".moved")));
             WriteFileText(file, package);
         }},
        {"replaced by another package",
         [&](const std::u16string& file) { ASSERT_TRUE(CopyFileW(W(BadImport()), W(file), FALSE)); }},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::u16string file = *Folder / (u"{DOWNLOAD-CHANGED-" + IntToStr(++n) + u"}.exe");
        TPackageFileWriter writer(file);
        WriteInPieces(writer, package);
        writer.Finish();
        c.change(file);
        const TPackageModule module = writer.OpenModule();
        EXPECT_FALSE(module.IsOpen());
        EXPECT_FALSE(module.HasPackageResource(SetupScriptResID));
    }
}

TEST_F(PackageModuleTest, AWriterNeverWritesIntoAFileThatExistsAndStartsAgainOnlyFromZero)
{
    const std::u16string existing = *Folder / u"{PLANTED}.exe";
    WriteFileText(existing, "planted");
    EXPECT_THROW(TPackageFileWriter{existing}, EFCreateError);
    EXPECT_EQ(FileBytes(existing), "planted");

    const std::string package = FileBytes(Package());
    const std::u16string file = *Folder / u"{DOWNLOAD-AGAIN}.exe";
    TPackageFileWriter writer(file);
    writer.WriteBytes("a first answer that is thrown away");
    EXPECT_THROW(writer.SetPosition(3), EWriteError);
    EXPECT_THROW(writer.SetSize(5), EWriteError);
    writer.SetSize(0);
    writer.SetPosition(0);
    WriteInPieces(writer, package);
    ExpectPackage(writer.OpenModule());
}

TEST(PackageModuleSelf, ReadsTheRunningExecutableAndIsNeverReleased)
{
    {
        TPackageModule self = TPackageModule::Self();
        EXPECT_EQ(self.Handle(), GetModuleHandleW(nullptr));
        const TResourceBytes bytes = self.ResourceBytes("SELFDATA");
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.Data), bytes.Size).substr(0, 13), "self resource");
        EXPECT_FALSE(self.HasPackageResource(SetupScriptResID));
        self.Close();
    }
    // Closing it released nothing: the executable's resources are still there.
    EXPECT_TRUE(TPackageModule::Self().HasPackageResource("SELFDATA"));
}

}  // namespace
