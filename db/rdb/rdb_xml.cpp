// Entry points of XML report files (files plain or gzip).

#include "rdb_xml.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <streambuf>
#include <vector>

#include <zlib.h>

#include "msg/msg.h"
#include "rdb_report.h"

namespace {

constexpr std::size_t FILE_BUFFER_SIZE = 32768;

// An output stream buffer over a gzip file. A failed write leaves the stream bad.
class GZ_OUTPUT_BUFFER : public std::streambuf {
public:
    explicit GZ_OUTPUT_BUFFER(gzFile file) : m_file(file), m_buffer(FILE_BUFFER_SIZE)
    {
        setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
    }

protected:
    int_type overflow(int_type c) override
    {
        if (!flush_buffer()) return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override { return flush_buffer() ? 0 : -1; }

private:
    bool flush_buffer()
    {
        const std::ptrdiff_t pending = pptr() - pbase();
        if (pending > 0 && gzwrite(m_file, pbase(), static_cast<unsigned>(pending)) != pending) return false;
        setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
        return true;
    }

    gzFile m_file;
    std::vector<char> m_buffer;
};

template <class DOCUMENT> bool write_gzip_file(const char* file, const DOCUMENT* document)
{
    gzFile out = gzopen(file, "wb");
    if (out == nullptr) return false;
    bool good;
    {
        GZ_OUTPUT_BUFFER buffer(out);
        std::ostream stream(&buffer);
        good = rdb_xml_write(stream, document) && stream.flush().good();
    }
    // Closing writes the gzip trailer; a failure there loses the end of the document.
    return gzclose(out) == Z_OK && good;
}

template <class DOCUMENT> bool write_plain_file(const char* file, const DOCUMENT* document)
{
    std::vector<char> buffer(FILE_BUFFER_SIZE);
    std::ofstream stream;
    stream.rdbuf()->pubsetbuf(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    stream.open(file, std::ios::out | std::ios::binary | std::ios::trunc);
    if (!stream) return false;
    bool good = rdb_xml_write(stream, document);
    stream.close(); // flushes: a full disk shows here
    return good && !stream.fail();
}

template <class DOCUMENT> bool write_file(const char* what, const DOCUMENT* document, const char* file, bool compressed)
{
    RDB_ASSERT_MSG(file != nullptr && file[0] != '\0', "gen_strlen(file) > 0");
    if (document == nullptr) return false;
    msg_local_vdebug("RDB", 2, "Writing %s to %s", what, file);
    const auto start = std::chrono::steady_clock::now();
    const bool written = compressed ? write_gzip_file(file, document) : write_plain_file(file, document);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    char lap[64];
    std::snprintf(lap, sizeof lap, "%.3f s", elapsed.count());
    msg_local_vdebug("RDB", 2, "Writing finished in %s", lap);
    if (!written) msg_local_vdebug("RDB", 2, "Writing %s to %s failed", what, file);
    return written;
}

// The whole file, through zlib, which reads gzip files (recognised by their magic bytes) and passes
// other files through unchanged. False on any read error or truncated compressed data.
bool read_file(const char* file, std::string& text)
{
    gzFile in = gzopen(file, "rb");
    if (in == nullptr) return false;
    std::vector<char> buffer(FILE_BUFFER_SIZE);
    int count;
    while ((count = gzread(in, buffer.data(), static_cast<unsigned>(buffer.size()))) > 0)
        text.append(buffer.data(), static_cast<std::size_t>(count));
    int error = Z_OK;
    gzerror(in, &error);
    const bool good = count == 0 && (error == Z_OK || error == Z_STREAM_END);
    return gzclose(in) == Z_OK && good;
}

} // namespace

bool rdb_write_xml_report(const RDB_REPORT* report, const char* file, bool compressed)
{
    return write_file("report", report, file, compressed);
}

bool rdb_write_xml_report(const RDB_OBJECT* object, const char* file, bool compressed)
{
    return write_file("panel", object, file, compressed);
}

std::unique_ptr<RDB_REPORT> rdb_read_xml_report(const char* file)
{
    RDB_ASSERT_MSG(file != nullptr && file[0] != '\0', "gen_strlen(file) > 0");
    std::error_code error;
    if (!std::filesystem::exists(file, error)) return nullptr;
    std::string text;
    if (!read_file(file, text)) {
        msg_local_vdebug("RDB", 2, "XML report %s could not be read", file);
        return nullptr;
    }
    return rdb_read_xml_report(gsl::span<const char>(text.data(), text.size()));
}

const char* rdb_xml_embedded_type_text(RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM type)
{
    const char* text = rdb_get_user_string(type);
    return text != nullptr ? text : rdb_get_debug_string(type);
}
