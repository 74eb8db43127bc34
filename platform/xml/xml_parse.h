#pragma once
// XML parsing layer: SAX parsing of documents held in memory or read piece by piece, over the Xerces-C SAX2 parser,
// with every name, attribute value and text handed over in UTF-8; a stack of content handlers, one per open element
// that wants one; and the UTF-8 clean-up used when writing XML.
//
// The parser is set up for untrusted input: no DTD is loaded, no external entity is resolved (an
// external entity reads as empty text), no validation, and entity expansion is bounded.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <gsl/span>

class XML_PARSER;

// The attributes of one start tag, in document order.
class XML_ATTRIBUTES {
public:
    void add(std::string name, std::string value) { m_items.emplace_back(std::move(name), std::move(value)); }
    // The value of the attribute named exactly name, or null when the tag has none.
    const std::string* find(std::string_view name) const;
    // The value, or an empty text when absent.
    std::string get(std::string_view name) const;
    std::size_t size() const { return m_items.size(); }

private:
    std::vector<std::pair<std::string, std::string>> m_items;
};

// Receives the events of the elements it is installed for. Texts are UTF-8.
class XML_CONTENT_HANDLER {
public:
    virtual ~XML_CONTENT_HANDLER() = default;
    virtual void start_element(const std::string& name, const XML_ATTRIBUTES& attributes) = 0;
    virtual void end_element(const std::string& name) = 0;
    // A piece of character data; one text may arrive in several pieces.
    virtual void characters(std::string_view text) = 0;

    // The parser this handler works for; set when the handler is installed.
    XML_PARSER& get_parser() const { return *m_parser; }

private:
    friend class XML_PARSER;
    XML_PARSER* m_parser = nullptr;
};

// The running parse as its handlers see it.
class XML_PARSER {
public:
    explicit XML_PARSER(XML_CONTENT_HANDLER& root);
    ~XML_PARSER();
    XML_PARSER(const XML_PARSER&) = delete;
    XML_PARSER& operator=(const XML_PARSER&) = delete;

    // Installs handler as the one that receives the next events; the current one becomes its parent.
    XML_CONTENT_HANDLER& push_handler(std::unique_ptr<XML_CONTENT_HANDLER> handler);
    // Removes the current handler (never the root); its parent receives the next events. The handler
    // is deleted once the event being delivered has returned, so a handler may remove itself.
    void pop_handler();
    XML_CONTENT_HANDLER& current_handler() const;
    // Stops the parse: no further events are delivered and xml_parse answers failure with message.
    void fail(std::string message);
    bool has_failed() const { return m_failed; }
    const std::string& get_failure() const { return m_failure; }

    // Used by the layer to deliver events; each one runs in the current handler.
    void deliver_start(const std::string& name, const XML_ATTRIBUTES& attributes);
    void deliver_end(const std::string& name);
    void deliver_characters(std::string_view text);

private:
    XML_CONTENT_HANDLER& m_root;
    std::vector<std::unique_ptr<XML_CONTENT_HANDLER>> m_stack;
    std::vector<std::unique_ptr<XML_CONTENT_HANDLER>> m_removed;
    bool m_failed = false;
    std::string m_failure;
};

// Parses a document held in memory; root receives the events until it installs other handlers.
// 0 when the document was well-formed and no handler failed; non-zero otherwise, with the reason in
// error when it is not null. source_name names the document in messages.
int xml_parse(XML_CONTENT_HANDLER& root, gsl::span<const char> text, const char* source_name,
              std::string* error = nullptr);

// Fills buffer with up to size bytes of a document and answers how many: 0 at its end, a negative
// count on a read error.
using XML_READ = std::function<long(char* buffer, std::size_t size)>;
// Parses a document read piece by piece through read, so that it is never held whole in memory; the
// same results as above. A read error fails the parse, even when the bytes read so far were a
// complete document, and read_failed (when not null) tells it apart from a broken document.
int xml_parse(XML_CONTENT_HANDLER& root, const XML_READ& read, const char* source_name, std::string* error = nullptr,
              bool* read_failed = nullptr);

// Copies text (in the local encoding, which is UTF-8) into buffer as well-formed UTF-8 holding only
// characters XML allows: invalid or overlong sequences, surrogates, U+FFFE, U+FFFF and control
// characters other than tab, line feed and carriage return are dropped. Writes a terminating zero
// byte and the length without it into length. The output is never longer than the input, so a
// buffer of length + 1 bytes always suffices; false (with nothing promised in buffer) when
// buffer_size is smaller than that.
bool xml_encode_to_utf8(const char* text, std::size_t text_length, char* buffer, std::size_t buffer_size,
                        std::size_t* length);
// The same into a string.
std::string xml_to_clean_utf8(std::string_view text);
// text with '%' and every byte xml_to_clean_utf8 would drop written as "%XX" (upper-case hexadecimal
// digits): the result is clean, and gen_percent_decode gives text back byte for byte.
std::string xml_percent_encode(std::string_view text);
