// Entry points of XML report files (files plain or gzip).

#include "rdb_xml.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <streambuf>
#include <vector>

#include <zlib.h>

#include "fio/fio.h"
#include "msg/msg.h"
#include "rdb_report.h"
#include "rdb_xml_parse.h"

namespace {

constexpr std::size_t FILE_BUFFER_SIZE = 32768;
// zlib's own input buffer when reading: larger than its default, so that a big file takes fewer reads.
constexpr unsigned GZIP_READ_BUFFER_SIZE = 131072;

// An output stream buffer that gzip-compresses what it is given into another stream, so that a
// compressed file goes through the same atomic file writer as a plain one. A failed write or a failed
// compression leaves the stream bad.
class GZIP_OUTPUT_BUFFER : public std::streambuf {
public:
    explicit GZIP_OUTPUT_BUFFER(std::ostream& sink) : m_sink(sink), m_buffer(FILE_BUFFER_SIZE), m_out(FILE_BUFFER_SIZE)
    {
        // 15 + 16: the largest window, with a gzip header and trailer instead of a zlib one.
        m_ready = deflateInit2(&m_stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) == Z_OK;
        setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
    }
    GZIP_OUTPUT_BUFFER(const GZIP_OUTPUT_BUFFER&) = delete;
    GZIP_OUTPUT_BUFFER& operator=(const GZIP_OUTPUT_BUFFER&) = delete;
    ~GZIP_OUTPUT_BUFFER() override
    {
        if (m_ready) deflateEnd(&m_stream);
    }

    // Compresses what is buffered and writes the gzip trailer; false when anything failed on the way.
    bool finish() { return flush_buffer() && deflate_pending(nullptr, 0, Z_FINISH) && m_sink.good(); }

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

private:
    bool flush_buffer()
    {
        const std::ptrdiff_t pending = pptr() - pbase();
        if (!deflate_pending(pbase(), static_cast<std::size_t>(pending), Z_NO_FLUSH)) return false;
        setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
        return true;
    }

    bool deflate_pending(char* data, std::size_t size, int flush)
    {
        if (!m_ready) return false;
        m_stream.next_in = reinterpret_cast<Bytef*>(data);
        m_stream.avail_in = static_cast<uInt>(size);
        int status;
        do {
            m_stream.next_out = reinterpret_cast<Bytef*>(m_out.data());
            m_stream.avail_out = static_cast<uInt>(m_out.size());
            status = deflate(&m_stream, flush);
            if (status == Z_STREAM_ERROR) return false;
            m_sink.write(m_out.data(), static_cast<std::streamsize>(m_out.size() - m_stream.avail_out));
            if (!m_sink) return false;
        } while (m_stream.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
        return true;
    }

    std::ostream& m_sink;
    std::vector<char> m_buffer;
    std::vector<char> m_out;
    z_stream m_stream{};
    bool m_ready = false;
};

// Writes the document to file through the atomic file writer: a reader sees the previous file or the
// whole new one, never a half-written document.
template <class DOCUMENT> bool write_xml_file(const char* file, const DOCUMENT* document, bool compressed)
{
    const FIO_WRITE_OUTCOME outcome = fio_write_stream_atomically(file, [&](std::ostream& out) {
        if (!compressed) return rdb_xml_write(out, document);
        GZIP_OUTPUT_BUFFER buffer(out);
        std::ostream stream(&buffer);
        return rdb_xml_write(stream, document) && stream.flush().good() && buffer.finish();
    });
    if (outcome.result != FIO_WRITE_RESULT::WRITTEN && !outcome.reason.empty())
        msg_local_vdebug("RDB", 2, "%s: %s", file, outcome.reason.c_str());
    return outcome.result == FIO_WRITE_RESULT::WRITTEN;
}

template <class DOCUMENT> bool write_file(const char* what, const DOCUMENT* document, const char* file, bool compressed)
{
    RDB_ASSERT_MSG(file != nullptr && file[0] != '\0', "gen_strlen(file) > 0");
    if (document == nullptr) return false;
    msg_local_vdebug("RDB", 2, "Writing %s to %s", what, file);
    const auto start = std::chrono::steady_clock::now();
    const bool written = write_xml_file(file, document, compressed);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    char lap[64];
    std::snprintf(lap, sizeof lap, "%.3f s", elapsed.count());
    msg_local_vdebug("RDB", 2, "Writing finished in %s", lap);
    if (!written) msg_local_vdebug("RDB", 2, "Writing %s to %s failed", what, file);
    return written;
}

// The report in file, read piece by piece through zlib, which reads gzip files (recognised by their
// magic bytes) and passes other files through unchanged. A read error or truncated compressed data
// sets unreadable; a broken document leaves the reason in error.
std::unique_ptr<RDB_REPORT> read_file(const char* file, bool& unreadable, std::string& error)
{
    unreadable = true;
    gzFile in = gzopen(file, "rb");
    if (in == nullptr) return nullptr;
    gzbuffer(in, GZIP_READ_BUFFER_SIZE);
    const XML_READ read = [in](char* buffer, std::size_t size) -> long {
        const int count = gzread(in, buffer, static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX)));
        if (count != 0) return count;
        int status = Z_OK;
        gzerror(in, &status);
        return status == Z_OK || status == Z_STREAM_END ? 0 : -1;
    };
    bool read_failed = false;
    std::unique_ptr<RDB_REPORT> report = RDB::XML::read_report(
        [&](XML_CONTENT_HANDLER& root, std::string* reason) {
            return xml_parse(root, read, "rdb_schema", reason, &read_failed);
        },
        error);
    unreadable = gzclose(in) != Z_OK || read_failed;
    if (unreadable) report.reset();
    return report;
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
    bool unreadable = false;
    std::string reason;
    std::unique_ptr<RDB_REPORT> report = read_file(file, unreadable, reason);
    if (unreadable)
        msg_local_vdebug("RDB", 2, "XML report %s could not be read", file);
    else if (report == nullptr)
        msg_local_vdebug("RDB", 2, "XML report is not valid: %s", reason.c_str());
    return report;
}

const char* rdb_xml_embedded_type_text(RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM type)
{
    const char* text = rdb_get_user_string(type);
    return text != nullptr ? text : rdb_get_debug_string(type);
}
