#include "xml/xml_parse.h"

#include <algorithm>
#include <mutex>
#include <optional>

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/framework/XMLPScanToken.hpp>
#include <xercesc/sax/InputSource.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/sax2/Attributes.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/BinInputStream.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLUni.hpp>

#include "gen/gen_utf8.h"
#include "msg/msg.h"

namespace X = XERCES_CPP_NAMESPACE;

// ---- UTF-8 ---------------------------------------------------------------------------------------

namespace {

bool is_xml_char(char32_t c)
{
    if (c == 0x9 || c == 0xA || c == 0xD) return true;
    if (c < 0x20) return false;
    if (c >= 0xD800 && c <= 0xDFFF) return false;
    if (c == 0xFFFE || c == 0xFFFF) return false;
    return c <= 0x10FFFF;
}

void append_utf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Xerces hands over UTF-16; out receives the UTF-8 form (its storage is reused).
void convert_xml_ch(const XMLCh* text, std::size_t length, std::string& out)
{
    // Most text is ASCII: copy that prefix unit for unit, then convert whatever follows.
    out.resize(length);
    char* ascii = out.data();
    std::size_t i = 0;
    for (; i < length && text[i] < 0x80; ++i)
        ascii[i] = static_cast<char>(text[i]);
    if (i == length) return;
    out.resize(i);
    for (; i < length; ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
            ++i;
        }
        if (c >= 0xD800 && c <= 0xDFFF) continue; // an unpaired surrogate has no UTF-8 form
        append_utf8(out, c);
    }
}

std::string from_xml_ch(const XMLCh* text, std::size_t length)
{
    std::string out;
    convert_xml_ch(text, length, out);
    return out;
}

std::string from_xml_ch(const XMLCh* text) { return text ? from_xml_ch(text, X::XMLString::stringLen(text)) : ""; }

} // namespace

namespace {

// Walks text one UTF-8 sequence at a time (an invalid sequence is one byte) and hands each to piece
// with the character it encodes, or nothing when it is invalid or a character XML cannot hold.
template <class PIECE> void for_each_xml_piece(std::string_view text, PIECE piece)
{
    for (std::size_t i = 0; i < text.size();) {
        std::size_t consumed;
        std::optional<char32_t> c = gen_decode_utf8(text, i, consumed);
        if (c && !is_xml_char(*c)) c.reset();
        piece(text.substr(i, consumed), c);
        i += consumed;
    }
}

} // namespace

std::string xml_to_clean_utf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for_each_xml_piece(text, [&](std::string_view sequence, std::optional<char32_t> c) {
        if (c) out.append(sequence);
    });
    return out;
}

std::string xml_percent_encode(std::string_view text)
{
    static const char HEX[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for_each_xml_piece(text, [&](std::string_view sequence, std::optional<char32_t> c) {
        if (c && *c != '%') {
            out.append(sequence);
            return;
        }
        // '%' itself and every byte XML would drop are written as "%XX".
        for (const char byte : sequence) {
            out += '%';
            out += HEX[static_cast<unsigned char>(byte) >> 4];
            out += HEX[static_cast<unsigned char>(byte) & 0xF];
        }
    });
    return out;
}

bool xml_encode_to_utf8(const char* text, std::size_t text_length, char* buffer, std::size_t buffer_size,
                        std::size_t* length)
{
    if (buffer == nullptr || buffer_size < text_length + 1) return false;
    const std::string clean = xml_to_clean_utf8(std::string_view(text ? text : "", text ? text_length : 0));
    std::copy(clean.begin(), clean.end(), buffer);
    buffer[clean.size()] = '\0';
    if (length != nullptr) *length = clean.size();
    return true;
}

// ---- Attributes and handler stack ----------------------------------------------------------------

const std::string* XML_ATTRIBUTES::find(std::string_view name) const
{
    for (const auto& [key, value] : m_items)
        if (key == name) return &value;
    return nullptr;
}

std::string XML_ATTRIBUTES::get(std::string_view name) const
{
    const std::string* value = find(name);
    return value ? *value : std::string();
}

XML_PARSER::XML_PARSER(XML_CONTENT_HANDLER& root) : m_root(root) { m_root.m_parser = this; }

XML_PARSER::~XML_PARSER() { m_root.m_parser = nullptr; }

XML_CONTENT_HANDLER& XML_PARSER::push_handler(std::unique_ptr<XML_CONTENT_HANDLER> handler)
{
    RDB_ASSERT(handler != nullptr);
    handler->m_parser = this;
    m_stack.push_back(std::move(handler));
    return *m_stack.back();
}

void XML_PARSER::pop_handler()
{
    RDB_ASSERT(!m_stack.empty());
    m_removed.push_back(std::move(m_stack.back()));
    m_stack.pop_back();
}

XML_CONTENT_HANDLER& XML_PARSER::current_handler() const { return m_stack.empty() ? m_root : *m_stack.back(); }

void XML_PARSER::fail(std::string message)
{
    if (m_failed) return;
    m_failed = true;
    m_failure = std::move(message);
}

void XML_PARSER::deliver_start(const std::string& name, const XML_ATTRIBUTES& attributes)
{
    if (m_failed) return;
    current_handler().start_element(name, attributes);
    m_removed.clear();
}

void XML_PARSER::deliver_end(const std::string& name)
{
    if (m_failed) return;
    current_handler().end_element(name);
    m_removed.clear();
}

void XML_PARSER::deliver_characters(std::string_view text)
{
    if (m_failed) return;
    current_handler().characters(text);
    m_removed.clear();
}

// ---- Xerces --------------------------------------------------------------------------------------

namespace {

// Xerces keeps process-wide state; it is set up once and kept for the life of the process.
bool initialise_xerces(std::string* error)
{
    static std::once_flag once;
    static std::string failure;
    std::call_once(once, [] {
        try {
            X::XMLPlatformUtils::Initialize();
        } catch (const X::XMLException& e) {
            failure = "XML parser could not be initialised: " + from_xml_ch(e.getMessage());
        }
    });
    if (!failure.empty() && error) *error = failure;
    return failure.empty();
}

// Forwards Xerces' SAX events to the handler stack, and turns every error into a failed parse. The
// name and text of an event are converted into buffers kept from event to event, as a big table
// delivers millions of them.
class XERCES_ADAPTER : public X::DefaultHandler {
public:
    explicit XERCES_ADAPTER(XML_PARSER& parser) : m_parser(parser) {}

    void startElement(const XMLCh* const, const XMLCh* const, const XMLCh* const qname,
                      const X::Attributes& attrs) override
    {
        XML_ATTRIBUTES attributes;
        for (XMLSize_t i = 0; i < attrs.getLength(); ++i)
            attributes.add(from_xml_ch(attrs.getQName(i)), from_xml_ch(attrs.getValue(i)));
        convert_xml_ch(qname, X::XMLString::stringLen(qname), m_name);
        m_parser.deliver_start(m_name, attributes);
    }
    void endElement(const XMLCh* const, const XMLCh* const, const XMLCh* const qname) override
    {
        convert_xml_ch(qname, X::XMLString::stringLen(qname), m_name);
        m_parser.deliver_end(m_name);
    }
    void characters(const XMLCh* const chars, const XMLSize_t length) override
    {
        convert_xml_ch(chars, length, m_text);
        m_parser.deliver_characters(m_text);
    }

    // An external entity or DTD never reaches the file system or the network: it reads as nothing.
    X::InputSource* resolveEntity(const XMLCh* const, const XMLCh* const) override
    {
        static const XMLByte nothing[1] = {0};
        return new X::MemBufInputSource(nothing, 0, "external entity", false);
    }

    void error(const X::SAXParseException& e) override { record(e); }
    void fatalError(const X::SAXParseException& e) override { record(e); }
    void warning(const X::SAXParseException&) override {}

private:
    void record(const X::SAXParseException& e)
    {
        m_parser.fail("line " + std::to_string(e.getLineNumber()) + ", column " + std::to_string(e.getColumnNumber()) +
                      ": " + from_xml_ch(e.getMessage()));
    }

    XML_PARSER& m_parser;
    std::string m_name;
    std::string m_text;
};

// At most this many entity expansions per document, against expansion bombs.
constexpr XMLSize_t ENTITY_EXPANSION_LIMIT = 10000;

// The bytes of a document as the caller's read function hands them over. A read error ends the
// input as if the document ended there and is remembered, so that the parse fails even when what was
// read happens to be a complete document.
class READ_STREAM : public X::BinInputStream {
public:
    READ_STREAM(const XML_READ& read, bool& failed) : m_read(read), m_failed(failed) {}

    XMLFilePos curPos() const override { return m_position; }
    XMLSize_t readBytes(XMLByte* const buffer, const XMLSize_t size) override
    {
        if (m_failed) return 0;
        const long count = m_read(reinterpret_cast<char*>(buffer), size);
        if (count < 0) {
            m_failed = true;
            return 0;
        }
        m_position += static_cast<XMLFilePos>(count);
        return static_cast<XMLSize_t>(count);
    }
    const XMLCh* getContentType() const override { return nullptr; }

private:
    const XML_READ& m_read;
    bool& m_failed;
    XMLFilePos m_position = 0;
};

class READ_SOURCE : public X::InputSource {
public:
    READ_SOURCE(const XML_READ& read, bool& failed, const char* source_name)
        : X::InputSource(source_name), m_read(read), m_failed(failed)
    {
    }
    X::BinInputStream* makeStream() const override { return new READ_STREAM(m_read, m_failed); }

private:
    const XML_READ& m_read;
    bool& m_failed;
};

// Parses source into parser's handlers; 0 when the document was well-formed and no handler failed.
int parse_source(XML_PARSER& parser, X::InputSource& source, std::string* error)
{
    XERCES_ADAPTER adapter(parser);
    X::SecurityManager security;
    security.setEntityExpansionLimit(ENTITY_EXPANSION_LIMIT);
    std::unique_ptr<X::SAX2XMLReader> reader(X::XMLReaderFactory::createXMLReader());
    reader->setFeature(X::XMLUni::fgSAX2CoreNameSpaces, false);
    reader->setFeature(X::XMLUni::fgSAX2CoreValidation, false);
    reader->setFeature(X::XMLUni::fgXercesSchema, false);
    reader->setFeature(X::XMLUni::fgXercesLoadExternalDTD, false);
    reader->setFeature(X::XMLUni::fgXercesDisableDefaultEntityResolution, true);
    reader->setProperty(X::XMLUni::fgXercesSecurityManager, &security);
    reader->setContentHandler(&adapter);
    reader->setErrorHandler(&adapter);
    reader->setEntityResolver(&adapter);

    try {
        X::XMLPScanToken token;
        if (reader->parseFirst(source, token)) {
            while (!parser.has_failed() && reader->parseNext(token)) {
            }
        } else if (!parser.has_failed()) {
            parser.fail("document could not be read");
        }
        // Leaves the scanner in a clean state when a handler stopped the parse early.
        if (parser.has_failed()) reader->parseReset(token);
    } catch (const X::XMLException& e) {
        parser.fail(from_xml_ch(e.getMessage()));
    } catch (const X::SAXException& e) {
        parser.fail(from_xml_ch(e.getMessage()));
    } catch (const X::OutOfMemoryException&) {
        parser.fail("out of memory");
    }
    if (parser.has_failed()) {
        if (error) *error = parser.get_failure();
        return 1;
    }
    return 0;
}

} // namespace

int xml_parse(XML_CONTENT_HANDLER& root, gsl::span<const char> text, const char* source_name, std::string* error)
{
    if (!initialise_xerces(error)) return 1;
    XML_PARSER parser(root);
    X::MemBufInputSource source(reinterpret_cast<const XMLByte*>(text.data()), text.size(),
                                source_name ? source_name : "XML document", false);
    return parse_source(parser, source, error);
}

int xml_parse(XML_CONTENT_HANDLER& root, const XML_READ& read, const char* source_name, std::string* error,
              bool* read_failed)
{
    bool failed = false;
    if (read_failed) *read_failed = false;
    if (!initialise_xerces(error)) return 1;
    XML_PARSER parser(root);
    READ_SOURCE source(read, failed, source_name ? source_name : "XML document");
    int result = parse_source(parser, source, error);
    if (failed) {
        if (read_failed) *read_failed = true;
        if (result == 0 && error) *error = "the document could not be read to its end";
        result = 1;
    }
    return result;
}
