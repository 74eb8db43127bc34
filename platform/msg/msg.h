#pragma once
// Message service: the suite's channel for internal errors, numbered user messages and debug lines.
//
// This layer stands in for the suite's message library. Internal errors go to an installable handler
// and never return; debug lines are formatted and passed to an installable handler, and printed on
// stderr when RDB_DEBUG_LEVEL asks for their level; numbered messages are filled from their
// templates, checked against the suppression index and posted to a message report.

#include <cstdarg>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// ---- Internal errors -----------------------------------------------------------------------------

using MSG_INTERNAL_ERROR_HANDLER = void (*)(const char* condition, const char* component, const char* file, int line);
// Installs the handler called for every internal error; returns the previous one. A null handler
// restores the default, which prints the condition, component, file and line to stderr.
MSG_INTERNAL_ERROR_HANDLER msg_set_internal_error_handler(MSG_INTERNAL_ERROR_HANDLER handler);

class MSG_INTERNAL_ERROR {
public:
    // Calls the installed handler, then aborts if the handler returned. A handler may throw instead
    // (tests do), so this is not noexcept.
    [[noreturn]] static void report(const char* condition, const char* component, const char* file, int line);
};

// Stops with the text of a failed precondition of the report database.
#define RDB_ASSERT(cond)                                                                                               \
    do {                                                                                                               \
        if (!(cond)) MSG_INTERNAL_ERROR::report(#cond, "RDB", __FILE__, __LINE__);                                     \
    } while (0)
// Stops with an explicit condition text.
#define RDB_INTERNAL_ERROR(text) MSG_INTERNAL_ERROR::report((text), "RDB", __FILE__, __LINE__)
// Stops with the given text unless cond holds.
#define RDB_ASSERT_MSG(cond, text)                                                                                     \
    do {                                                                                                               \
        if (!(cond)) MSG_INTERNAL_ERROR::report((text), "RDB", __FILE__, __LINE__);                                    \
    } while (0)

// ---- Debug lines ---------------------------------------------------------------------------------

using MSG_DEBUG_HANDLER = void (*)(const char* component, int level, const char* text);
// Installs the handler that receives every formatted debug line, whatever the display level; returns
// the previous one (null: none).
MSG_DEBUG_HANDLER msg_set_debug_handler(MSG_DEBUG_HANDLER handler);

// printf-style debug line for a component at a level. The line goes to the debug handler, and to
// stderr when the environment variable RDB_DEBUG_LEVEL is at least the level.
void msg_local_vdebug(const char* component, int level, const char* format, ...) __attribute__((format(printf, 3, 4)));
// Memory-related debug line (level 3).
void mem_msg_local_vdebug(const char* component, const char* format, ...) __attribute__((format(printf, 2, 3)));

// ---- Numbered messages ---------------------------------------------------------------------------

enum class MSG_TYPE : int { ERROR = 0, INFO = 1 };

// One posted message: its number, type and filled text.
struct MSG_RECORD {
    int id;
    MSG_TYPE type;
    std::string text;
};

class MSG_BASE {
public:
    MSG_BASE(int id, MSG_TYPE type) : m_id(id), m_type(type) {}
    virtual ~MSG_BASE() = default;

    // Fills "%N!s!" placeholders of the template with the arguments (N counts from 1).
    static std::string fill_args(const std::string& text_template, const std::vector<std::string>& args);

    int get_id() const { return m_id; }
    MSG_TYPE get_type() const { return m_type; }
    const std::string& get_text() const { return m_text; }
    // False for a suppressed message, which posts nothing.
    virtual bool is_postable() const { return true; }

protected:
    int m_id;
    MSG_TYPE m_type;
    std::string m_text;
};

class MSG_E : public MSG_BASE {
public:
    MSG_E(int id, const std::string& text_template, const std::vector<std::string>& args);
};

class MSG_I : public MSG_BASE {
public:
    MSG_I(int id, const std::string& text_template, const std::vector<std::string>& args);
};

// The stand-in for a suppressed information message.
class MSG_I_NULL : public MSG_BASE {
public:
    explicit MSG_I_NULL(int id) : MSG_BASE(id, MSG_TYPE::INFO) {}
    bool is_postable() const override { return false; }
};

// Registry of message numbers; the library registers its five at load time.
class MSG_ID_REGISTRAR {
public:
    MSG_ID_REGISTRAR(const int* ids, const MSG_TYPE* types, int count);
    ~MSG_ID_REGISTRAR();
    static bool is_registered(int id);

private:
    std::vector<int> m_ids;
};

// Suppression index: information messages whose numbers are suppressed are not built.
class MSG_INDEX {
public:
    static MSG_INDEX& get_default_index();
    bool is_suppressed(int id) const;
    void set_suppressed(int id, bool suppressed);

private:
    mutable std::mutex m_mutex;
    std::vector<int> m_suppressed;
};

// A message report collects posted messages; the default one also writes them to stderr unless
// quiet.
class MSG_REPORT {
public:
    void post(const MSG_BASE& message);
    std::vector<MSG_RECORD> get_messages() const;
    void clear();
    void set_echo(bool echo) { m_echo = echo; }
    void flush();
    static void flush_all();

private:
    mutable std::mutex m_mutex;
    std::vector<MSG_RECORD> m_messages;
    bool m_echo = true;
};

MSG_REPORT* msg_get_default_report();
// Posts a message to a report (the default one when null). Suppressed messages post nothing.
void msg_post(const MSG_BASE& message, MSG_REPORT* report = nullptr);

// ---- Location schemas carried by table cells -----------------------------------------------------

// A location in the design that a message or table cell points at. Its Tcl form is a braced list,
// for example "{instance top|a|b}".
class MSG_LOCATION_SCHEMA {
public:
    virtual ~MSG_LOCATION_SCHEMA() = default;
    // Writes the Tcl text form into out.
    virtual void to_tcl_string(std::string& out) const = 0;
    virtual MSG_LOCATION_SCHEMA* clone() const = 0;
    // Decodes a schema from its Tcl words (first word is the command name, ignored). On success the
    // interpreter's result holds the pointer text of a new schema owned by the caller (see
    // atcl_get_ptr) and TCL_OK is returned.
    static int from_tcl_string(struct Tcl_Interp* interp, int argc, const char* const* argv);
};

class MSG_LOCATION {
public:
    virtual ~MSG_LOCATION() = default;
    virtual std::string get_location() const = 0;
    virtual MSG_LOCATION* clone() const = 0;
};

// An instance location: the full hierarchy name of a design instance.
class MSG_GEN_LOC_INSTANCE : public MSG_LOCATION {
public:
    void set_instance_name(const std::string& name) { m_instance_name = name; }
    const std::string& get_instance_name() const { return m_instance_name; }
    std::string get_location() const override { return m_instance_name; }
    MSG_LOCATION* clone() const override { return new MSG_GEN_LOC_INSTANCE(*this); }

private:
    std::string m_instance_name;
};

// A general schema: an ordered list of owned locations.
class MSG_GEN_LOCATION_SCHEMA : public MSG_LOCATION_SCHEMA {
public:
    MSG_GEN_LOCATION_SCHEMA() = default;
    MSG_GEN_LOCATION_SCHEMA(const MSG_GEN_LOCATION_SCHEMA& other);
    MSG_GEN_LOCATION_SCHEMA& operator=(const MSG_GEN_LOCATION_SCHEMA&) = delete;
    ~MSG_GEN_LOCATION_SCHEMA() override;
    // Takes ownership of the location.
    void add_object(MSG_LOCATION* location);
    size_t size() const { return m_locations.size(); }
    const MSG_LOCATION* get_object(size_t i) const { return m_locations.at(i); }
    // Tcl form: "{" then, per location, "instance <name>" as braced list words, then "}".
    void to_tcl_string(std::string& out) const override;
    MSG_LOCATION_SCHEMA* clone() const override { return new MSG_GEN_LOCATION_SCHEMA(*this); }

private:
    std::vector<MSG_LOCATION*> m_locations;
};
