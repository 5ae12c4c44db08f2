// Throughput of the package work that scales with the size of a product.
//   build/native/bench/package_bench [megabytes]     (default 4 MB of mixed data)
// Measures only; the one check (decode gives back the input) guards against timing a broken codec.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "LuStrUtils.h"
#include "LuStreams.h"
#include "SetupScript.h"
#include "Setupfn.h"

namespace {

using Clock = std::chrono::steady_clock;

// Best of several runs, in seconds: the least disturbed run is the closest to the real cost.
double BestSeconds(int runs, const std::function<void()>& body)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        body();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

double MBps(size_t bytes, double seconds) { return double(bytes) / (1024.0 * 1024.0) / seconds; }

// What a package holds: text-like files (scripts, manifests), already compressed or random
// content, and runs of zeros (padding in executables), in interleaved blocks. Fixed seed.
std::string MixedData(size_t size)
{
    std::mt19937 rng(20240607);
    const char* const words[] = {"<File ",     "Source=\"", "bin\\", "app",     ".dll\" ",       "Dest=\"{app}\\",
                                 "Version=\"", "1.0.",      "/>\n",  "Size=\"", "Attributes=\"", "Time=\""};
    std::string data;
    data.reserve(size + 1024);
    while (data.size() < size) {
        const size_t block = 16384 + rng() % 49152;
        switch (rng() % 4) {
            case 0:
            case 1:  // text: half of the data
                for (size_t end = data.size() + block; data.size() < end;) {
                    data += words[rng() % (sizeof(words) / sizeof(words[0]))];
                    data += std::to_string(rng() % 100000);
                }
                break;
            case 2:
                for (size_t i = 0; i < block; ++i) data.push_back(char(rng() & 0xFF));
                break;
            default: data.append(block, '\0'); break;
        }
    }
    data.resize(size);
    return data;
}

void BenchCodec(size_t size)
{
    const std::string plain = MixedData(size);
    std::string encoded;
    const int runs = 5;

    const double encodeSeconds = BestSeconds(runs, [&] {
        TMemoryStream s(plain);
        TSetupfn::EncodeStream(s);
        encoded = s.ToString();
    });
    std::string decoded;
    const double decodeSeconds = BestSeconds(runs, [&] {
        TMemoryStream s(encoded);
        TSetupfn::DecodeStream(s);
        decoded = s.ToString();
    });
    if (decoded != plain) {
        std::fprintf(stderr, "codec: decoded data differs from the input\n");
        std::exit(1);
    }
    std::printf("codec, %.1f MB mixed data (text, random, zeros), encoded to %.1f%%, best of %d:\n",
                double(size) / (1024.0 * 1024.0), 100.0 * double(encoded.size()) / double(plain.size()), runs);
    std::printf("  encode  %8.1f MB/s  (%.3f s)\n", MBps(size, encodeSeconds), encodeSeconds);
    std::printf("  decode  %8.1f MB/s  (%.3f s)\n", MBps(size, decodeSeconds), decodeSeconds);
}

// ---- Setup script -------------------------------------------------------------------------

// A script like a large product's: 5,000 file entries with every attribute filled.
std::string LargeScriptXml(int entries)
{
    TSetupScript script;
    script.BaseInfo->AppTitleCHS = u"基准产品";
    script.BaseInfo->Version = u"1.2.3.4";
    for (int i = 0; i < entries; ++i) {
        auto f = std::make_unique<TSetupFile>();
        const std::u16string n = IntToStr(i);
        f->DestDir = u"{app}\\data\\folder" + IntToStr(i % 50);
        f->SourceMask = u"file " + n + u".dll";
        f->SourcePath = u"src\\folder" + IntToStr(i % 50);
        f->FileBytes = 1000 + i;
        f->LastWriteDate = 45000.123456789 + i;
        f->ResID = TLuStrfn::NewGUIDString();
        script.FileList->Add(std::move(f));
    }
    TMemoryStream s;
    script.SaveToStream(s);
    return s.ToString();
}

void BenchScript(int entries)
{
    const std::string xml = LargeScriptXml(entries);
    const int runs = 5;
    const double loadSeconds = BestSeconds(runs, [&] {
        TSetupScript script;
        TMemoryStream s(xml);
        script.LoadFromStream(s);
        if (script.FileList->Count() != entries) std::exit(1);
    });
    TSetupScript loaded;
    TMemoryStream in(xml);
    loaded.LoadFromStream(in);
    std::string saved;
    const double saveSeconds = BestSeconds(runs, [&] {
        TMemoryStream s;
        loaded.SaveToStream(s);
        saved = s.ToString();
    });
    if (saved != xml) {
        std::fprintf(stderr, "script: a saved script differs from the loaded one\n");
        std::exit(1);
    }
    std::printf("setup script, %d file entries, %.1f KB of XML, best of %d:\n", entries, double(xml.size()) / 1024.0,
                runs);
    std::printf("  load    %8.1f ms\n", loadSeconds * 1000);
    std::printf("  save    %8.1f ms\n", saveSeconds * 1000);
}

}  // namespace

int main(int argc, char** argv)
{
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 4.0;
    if (!(megabytes > 0)) {
        std::fprintf(stderr, "usage: package_bench [megabytes]\n");
        return 2;
    }
    const size_t size = size_t(megabytes * 1024 * 1024);

    // One entry per benchmark; each prints its own lines.
    const std::vector<std::pair<const char*, std::function<void()>>> benches = {
        {"codec", [&] { BenchCodec(size); }},
        {"script", [] { BenchScript(5000); }},
    };
    for (const auto& [name, run] : benches) {
        (void)name;
        run();
    }
    return 0;
}
