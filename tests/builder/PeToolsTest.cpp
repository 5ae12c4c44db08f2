// Real MinGW executables rewritten by the library, then checked by the tools of the trade:
// objdump reads the headers, wrestool lists the tree, osslsigncode recomputes the checksum and
// signs and verifies the result. A test whose tool or stub is missing is skipped.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>

#include "LuStrUtils.h"
#include "LuStreams.h"
#include "PeResources.h"
#include "PeTestImage.h"

namespace {

struct TRun {
    int Status = -1;
    std::string Output;  // stdout and stderr
};

// Runs a shell command; its stderr joins the output unless the command redirects it itself.
TRun RunTool(const std::string& command, bool withStderr = true)
{
    TRun r;
    std::FILE* pipe = popen((command + (withStderr ? " 2>&1" : "")).c_str(), "r");
    if (!pipe) return r;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) r.Output.append(buffer, n);
    r.Status = pclose(pipe);
    return r;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

const char* Tool(const char* path) { return path; }

#ifdef LUSETUP_TOOL_OBJDUMP
const char* const kObjdump = Tool(LUSETUP_TOOL_OBJDUMP);
#else
const char* const kObjdump = nullptr;
#endif
#ifdef LUSETUP_TOOL_WRESTOOL
const char* const kWrestool = Tool(LUSETUP_TOOL_WRESTOOL);
#else
const char* const kWrestool = nullptr;
#endif
#ifdef LUSETUP_TOOL_OSSLSIGNCODE
const char* const kOsslsigncode = Tool(LUSETUP_TOOL_OSSLSIGNCODE);
#else
const char* const kOsslsigncode = nullptr;
#endif
#ifdef LUSETUP_TOOL_OPENSSL
const char* const kOpenssl = Tool(LUSETUP_TOOL_OPENSSL);
#else
const char* const kOpenssl = nullptr;
#endif

struct TStub {
    const char* Arch;
    const char* Path;
    bool Is64;
};

std::vector<TStub> Stubs()
{
    std::vector<TStub> stubs;
#ifdef LUSETUP_STUB_i686
    stubs.push_back({"i686", LUSETUP_STUB_i686, false});
#endif
#ifdef LUSETUP_STUB_x86_64
    stubs.push_back({"x86_64", LUSETUP_STUB_x86_64, true});
#endif
    return stubs;
}

const TResourceId kRcData(RT_RCDATA_ID);
const char16_t* const kGuid = u"{54682d66-def6-4e5b-8ab5-70ffdf2c0e3a}";

// The package resources of a test build: a 3 MB payload streamed from a file, a few small ones,
// the stub's icon as PNG and version information.
std::string WritePackage(const TStub& stub, const std::string& fileName, std::string& payload)
{
    const std::string name = TestOutputPath(fileName);
    std::mt19937 rng(42);
    payload.assign(3 * 1024 * 1024 + 3, '\0');
    for (auto& c : payload) c = char(rng());
    const std::u16string payloadPath = Utf8ToUtf16(name + ".payload");
    WriteFileBytes(payloadPath, payload.data(), payload.size());

    TPeImage image(ReadFileBytes(Utf8ToUtf16(stub.Path)));
    TFileStream payloadFile(payloadPath, fmOpenRead);
    image.SetResource({kRcData, TResourceId(kGuid), 0},
                      TResourceData::FromStream(payloadFile, int64_t(payload.size())));
    image.SetResource({kRcData, TResourceId(u"SETUPSCRIPT"), 0}, std::string("<Setup/>"));
    image.SetResource({kRcData, TResourceId(100), 0}, std::string("id resource"));
    const std::string ico = ReadFileBytes(Utf8ToUtf16(std::string(LUSETUP_TEST_DATA) + "/stub.ico"));
    image.SetMainIcon(ico.substr(22));
    TVersionFields version;
    ParseVersion(u"2.3.4.5", version.FileVersion);
    ParseVersion(u"2.3", version.ProductVersion);
    version.ProductName = u"Tool test";
    image.SetResource({TResourceId(RT_VERSION_ID), TResourceId(1), 1033}, BuildVersionInfo(version));
    TFileStream out(Utf8ToUtf16(name), fmCreate);
    image.Write(out);
    return name;
}

}  // namespace

TEST(PeToolsTest, RealStubsKeepTheirResourcesAndTakeNewOnes)
{
    if (Stubs().empty()) GTEST_SKIP() << "no MinGW compilers to build the stubs";
    for (const auto& stub : Stubs()) {
        SCOPED_TRACE(stub.Arch);
        TPeImage original(ReadFileBytes(Utf8ToUtf16(stub.Path)));
        EXPECT_EQ(original.Is64(), stub.Is64);
        const std::string own = original.ReadResource({kRcData, TResourceId(u"STUBDATA"), 1033});
        const std::string manifest = original.ReadResource({TResourceId(RT_MANIFEST_ID), TResourceId(1), 1033});
        EXPECT_EQ(own, std::string("stub resource\0", 14));

        std::string payload;
        const std::string path = WritePackage(stub, std::string("pe_tools_") + stub.Arch + ".exe", payload);
        const std::string file = ReadFileBytes(Utf8ToUtf16(path));
        TPeImage back(file);
        EXPECT_EQ(back.ReadResource({kRcData, TResourceId(kGuid), 0}), payload);
        EXPECT_EQ(back.ReadResource({kRcData, TResourceId(u"STUBDATA"), 1033}), own);
        EXPECT_EQ(back.ReadResource({TResourceId(RT_MANIFEST_ID), TResourceId(1), 1033}), manifest);

        // Sections: the originals up to .rsrc in place, .rsrc reused, .reloc (and the debug sections
        // of the PE32+ stub) behind it; the symbol table still found.
        const TTestHeaders before = ReadTestHeaders(ReadFileBytes(Utf8ToUtf16(stub.Path)));
        const TTestHeaders after = ReadTestHeaders(file);
        ASSERT_EQ(after.Sections.size(), before.Sections.size());
        size_t rsrc = 0;
        while (before.Sections[rsrc].Name != ".rsrc") ++rsrc;
        EXPECT_EQ(after.Sections[rsrc].Name, ".rsrc");
        EXPECT_EQ(after.Sections[rsrc + 1].Name, ".reloc");
        EXPECT_EQ(after.Directories[5].first, after.Sections[rsrc + 1].VirtualAddress);
        EXPECT_EQ(after.NumberOfSymbols, before.NumberOfSymbols);
        if (after.PointerToSymbolTable) {
            EXPECT_LE(after.PointerToSymbolTable, file.size());
        }
    }
}

TEST(PeToolsTest, ObjdumpReadsTheWrittenExecutablesWithoutWarnings)
{
    if (Stubs().empty() || !kObjdump) GTEST_SKIP() << "no MinGW objdump or stubs";
    for (const auto& stub : Stubs()) {
        std::string payload;
        const std::string path = WritePackage(stub, std::string("pe_objdump_") + stub.Arch + ".exe", payload);
        // Nothing on stderr: objdump reports damaged headers and tables there.
        const TRun diagnostics = RunTool(std::string(kObjdump) + " -p -h " + Quote(path) + " 2>&1 >/dev/null", false);
        EXPECT_EQ(diagnostics.Status, 0);
        EXPECT_EQ(diagnostics.Output, "");
        const TRun r = RunTool(std::string(kObjdump) + " -p -h " + Quote(path));
        EXPECT_EQ(r.Status, 0) << r.Output;
        if (stub.Is64) {  // long section names resolve through the kept symbol table
            EXPECT_NE(r.Output.find(".debug_info"), std::string::npos) << r.Output;
        }
        EXPECT_NE(r.Output.find("Resource Directory [.rsrc]"), std::string::npos);
    }
}

TEST(PeToolsTest, WrestoolListsTheTree)
{
    if (Stubs().empty() || !kWrestool) GTEST_SKIP() << "no wrestool (icoutils) or stubs";
    for (const auto& stub : Stubs()) {
        std::string payload;
        const std::string path = WritePackage(stub, std::string("pe_wrestool_") + stub.Arch + ".exe", payload);
        const TRun r = RunTool(std::string(kWrestool) + " -l " + Quote(path));
        EXPECT_EQ(r.Status, 0) << r.Output;
        for (const char* line :
             {"--type=10 --name='{54682D66-DEF6-4E5B-8AB5-70FFDF2C0E3A}' --language=0",
              "--type=10 --name='SETUPSCRIPT' --language=0", "--type=10 --name=100 --language=0",
              "--type=10 --name='STUBDATA' --language=1033", "--type=14 --name='MAINICON' --language=1033",
              "--type=16 --name=1 --language=1033", "--type=24 --name=1 --language=1033"})
            EXPECT_NE(r.Output.find(line), std::string::npos) << line << "\n" << r.Output;
        EXPECT_NE(r.Output.find("size=" + std::to_string(payload.size()) + "]"), std::string::npos) << r.Output;
    }
}

TEST(PeToolsTest, ChecksumMatchesAndSigningVerifies)
{
    if (Stubs().empty() || !kOsslsigncode || !kOpenssl) GTEST_SKIP() << "no osslsigncode or openssl";
    // A throwaway self-signed certificate and key.
    const std::string key = Quote(TestOutputPath("sign_key.pem")), cert = Quote(TestOutputPath("sign_cert.pem"));
    const TRun made = RunTool(std::string(kOpenssl) + " req -x509 -newkey rsa:2048 -nodes -keyout " + key + " -out " +
                              cert + " -days 2 -subj '/CN=LuSetup test signer'");
    ASSERT_EQ(made.Status, 0) << made.Output;
    for (const auto& stub : Stubs()) {
        SCOPED_TRACE(stub.Arch);
        std::string payload;
        const std::string path = WritePackage(stub, std::string("pe_sign_") + stub.Arch + ".exe", payload);
        // Unsigned: osslsigncode recomputes the checksum; it shows one value when the stored one
        // agrees and both with a warning otherwise.
        const TRun unsigned_ = RunTool(std::string(kOsslsigncode) + " verify -in " + Quote(path));
        EXPECT_NE(unsigned_.Output.find("PE checksum   : "), std::string::npos) << unsigned_.Output;
        EXPECT_EQ(unsigned_.Output.find("Calculated PE checksum"), std::string::npos) << unsigned_.Output;
        EXPECT_EQ(unsigned_.Output.find("invalid PE checksum"), std::string::npos) << unsigned_.Output;

        const std::string signedPath = path + ".signed.exe";
        std::remove(signedPath.c_str());
        const TRun sign = RunTool(std::string(kOsslsigncode) + " sign -certs " + cert + " -key " + key +
                                  " -n 'LuSetup test' -in " + Quote(path) + " -out " + Quote(signedPath));
        ASSERT_EQ(sign.Status, 0) << sign.Output;
        const TRun verify =
            RunTool(std::string(kOsslsigncode) + " verify -CAfile " + cert + " -in " + Quote(signedPath));
        EXPECT_EQ(verify.Status, 0) << verify.Output;
        EXPECT_NE(verify.Output.find("Signature verification: ok"), std::string::npos) << verify.Output;

        // A signed executable rewritten loses its now wrong signature and stays well-formed.
        TPeImage signedImage(ReadFileBytes(Utf8ToUtf16(signedPath)));
        EXPECT_NE(ReadTestHeaders(ReadFileBytes(Utf8ToUtf16(signedPath))).Directories[4].first, 0u);
        signedImage.SetResource({kRcData, TResourceId(u"MORE"), 0}, std::string("more"));
        const std::string resignedPath = path + ".rewritten.exe";
        {
            TFileStream out(Utf8ToUtf16(resignedPath), fmCreate);
            signedImage.Write(out);
        }
        const std::string rewritten = ReadFileBytes(Utf8ToUtf16(resignedPath));
        EXPECT_EQ(ReadTestHeaders(rewritten).Directories[4], std::make_pair(0u, 0u));
        std::remove((resignedPath + ".signed.exe").c_str());
        const TRun again = RunTool(std::string(kOsslsigncode) + " sign -certs " + cert + " -key " + key + " -in " +
                                   Quote(resignedPath) + " -out " + Quote(resignedPath + ".signed.exe"));
        EXPECT_EQ(again.Status, 0) << again.Output;
    }
}
