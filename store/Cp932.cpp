#include "store/Cp932.h"

#include <cerrno>
#include <iconv.h>

namespace {

// One converter per direction and thread: opening one costs more than most
// conversions (the drill converts at every keystroke). iconv keeps shift state,
// so each conversion starts by resetting it.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter()
    {
        if (Valid())
            iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t Reset()
    {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        return m_cd;
    }

private:
    iconv_t m_cd;
};

std::string Convert(std::string_view in, Converter& converter)
{
    if (!converter.Valid())
        return std::string(in);
    iconv_t raw = converter.Reset();

    std::string out;
    out.reserve(in.size() * 3 / 2 + 4);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buffer[256];
    while (srcLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        size_t rc = iconv(raw, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, dst);
        if (rc == static_cast<size_t>(-1)) {
            if (errno == E2BIG)
                continue;
            // EILSEQ or a truncated sequence at the end: mark it and resync.
            out.push_back('?');
            ++src;
            --srcLeft;
        }
    }
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    iconv(raw, nullptr, nullptr, &dst, &dstLeft);
    out.append(buffer, dst);
    return out;
}

} // namespace

std::string Utf8ToCp932(std::string_view utf8)
{
    thread_local Converter toCp932("CP932", "UTF-8");
    return Convert(utf8, toCp932);
}

std::string Cp932ToUtf8(std::string_view cp932)
{
    thread_local Converter fromCp932("UTF-8", "CP932");
    return Convert(cp932, fromCp932);
}
