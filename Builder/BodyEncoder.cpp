#include "BodyEncoder.h"

#include "LuExceptions.h"
#include "LuStreams.h"
#include "Setupfn.h"

#ifdef LUSETUP_HAVE_LIBDEFLATE
#include <libdeflate.h>

#include <memory>

namespace {

struct TCompressorDeleter {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

libdeflate_compressor* Compressor()
{
    // One compressor per encoding thread; level 9 matches the installer's own encoder.
    thread_local std::unique_ptr<libdeflate_compressor, TCompressorDeleter> compressor(libdeflate_alloc_compressor(9));
    if (!compressor) throw ECompressionError(u"Error");
    return compressor.get();
}

}  // namespace

std::string EncodeBody(const std::string& plain)
{
    if (plain.empty()) return {};
    libdeflate_compressor* c = Compressor();
    std::string out(libdeflate_zlib_compress_bound(c, plain.size()), '\0');
    const size_t n = libdeflate_zlib_compress(c, plain.data(), plain.size(), out.data(), out.size());
    if (n == 0) throw ECompressionError(u"Error");
    out.resize(n);
    TSetupfn::ScrambleBytes(reinterpret_cast<unsigned char*>(out.data()), out.size());
    return out;
}

const char* BodyEncoderName() { return "libdeflate level 9"; }

#else

std::string EncodeBody(const std::string& plain)
{
    TMemoryStream stream(plain);
    TSetupfn::EncodeStream(stream);
    return stream.ToString();
}

const char* BodyEncoderName() { return "zlib level 9"; }

#endif
