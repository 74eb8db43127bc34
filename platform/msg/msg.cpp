#include "msg/msg.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>

#include <tcl.h>

#include "tcl/atcl.h"

// ---- Internal errors -----------------------------------------------------------------------------

namespace {

void default_internal_error_handler(const char* condition, const char* component, const char* file, int line)
{
    std::fprintf(stderr, "Internal error: %s (component %s, file %s, line %d)\n", condition ? condition : "",
                 component ? component : "", file ? file : "", line);
    std::fflush(stderr);
}

std::atomic<MSG_INTERNAL_ERROR_HANDLER> g_internal_error_handler{&default_internal_error_handler};
std::atomic<MSG_DEBUG_HANDLER> g_debug_handler{nullptr};

} // namespace

MSG_INTERNAL_ERROR_HANDLER msg_set_internal_error_handler(MSG_INTERNAL_ERROR_HANDLER handler)
{
    if (handler == nullptr) handler = &default_internal_error_handler;
    return g_internal_error_handler.exchange(handler);
}

void MSG_INTERNAL_ERROR::report(const char* condition, const char* component, const char* file, int line)
{
    MSG_INTERNAL_ERROR_HANDLER handler = g_internal_error_handler.load();
    handler(condition, component, file, line);
    std::abort();
}

// ---- Debug lines ---------------------------------------------------------------------------------

namespace {

int display_level()
{
    static const int level = [] {
        const char* text = std::getenv("RDB_DEBUG_LEVEL");
        if (text == nullptr || *text == '\0') return 0;
        char* end = nullptr;
        long value = std::strtol(text, &end, 10);
        if (end == text) return 0;
        return static_cast<int>(value);
    }();
    return level;
}

std::string format_line(const char* format, va_list args)
{
    if (format == nullptr) return {};
    char buffer[512];
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(buffer, sizeof buffer, format, copy);
    va_end(copy);
    if (needed < 0) return {};
    if (static_cast<size_t>(needed) < sizeof buffer) return std::string(buffer, static_cast<size_t>(needed));
    std::string text(static_cast<size_t>(needed) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<size_t>(needed));
    return text;
}

void emit_debug(const char* component, int level, const char* format, va_list args)
{
    std::string text = format_line(format, args);
    const char* comp = component ? component : "";
    if (MSG_DEBUG_HANDLER handler = g_debug_handler.load()) handler(comp, level, text.c_str());
    if (display_level() >= level) std::fprintf(stderr, "%s(%d): %s\n", comp, level, text.c_str());
}

} // namespace

MSG_DEBUG_HANDLER msg_set_debug_handler(MSG_DEBUG_HANDLER handler) { return g_debug_handler.exchange(handler); }

void msg_local_vdebug(const char* component, int level, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    emit_debug(component, level, format, args);
    va_end(args);
}

void mem_msg_local_vdebug(const char* component, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    emit_debug(component, 3, format, args);
    va_end(args);
}

// ---- Numbered messages ---------------------------------------------------------------------------

std::string MSG_BASE::fill_args(const std::string& text_template, const std::vector<std::string>& args)
{
    std::string out;
    out.reserve(text_template.size());
    size_t i = 0;
    while (i < text_template.size()) {
        // A placeholder is exactly "%N!s!" with N a single digit 1..9.
        if (text_template[i] == '%' && i + 4 < text_template.size() && text_template[i + 1] >= '1' &&
            text_template[i + 1] <= '9' && text_template.compare(i + 2, 3, "!s!") == 0) {
            size_t index = static_cast<size_t>(text_template[i + 1] - '1');
            if (index < args.size()) out += args[index];
            i += 5;
        } else {
            out += text_template[i++];
        }
    }
    return out;
}

MSG_E::MSG_E(int id, const std::string& text_template, const std::vector<std::string>& args)
    : MSG_BASE(id, MSG_TYPE::ERROR)
{
    m_text = fill_args(text_template, args);
}

MSG_I::MSG_I(int id, const std::string& text_template, const std::vector<std::string>& args)
    : MSG_BASE(id, MSG_TYPE::INFO)
{
    m_text = fill_args(text_template, args);
}

namespace {

// Registered numbers with a count per number, so two registrars of one number stay independent. Never
// destroyed: registrars are unregistered from static destructors in any order.
struct ID_REGISTRY {
    std::mutex mutex;
    std::map<int, int> counts;
};

ID_REGISTRY& id_registry()
{
    static ID_REGISTRY* registry = new ID_REGISTRY;
    return *registry;
}

} // namespace

MSG_ID_REGISTRAR::MSG_ID_REGISTRAR(const int* ids, const MSG_TYPE* /*types*/, int count)
{
    ID_REGISTRY& registry = id_registry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    for (int i = 0; i < count && ids != nullptr; ++i) {
        m_ids.push_back(ids[i]);
        ++registry.counts[ids[i]];
    }
}

MSG_ID_REGISTRAR::~MSG_ID_REGISTRAR()
{
    ID_REGISTRY& registry = id_registry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    for (int id : m_ids) {
        auto it = registry.counts.find(id);
        if (it != registry.counts.end() && --it->second <= 0) registry.counts.erase(it);
    }
}

bool MSG_ID_REGISTRAR::is_registered(int id)
{
    ID_REGISTRY& registry = id_registry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    return registry.counts.count(id) != 0;
}

MSG_INDEX& MSG_INDEX::get_default_index()
{
    static MSG_INDEX* index = new MSG_INDEX;
    return *index;
}

bool MSG_INDEX::is_suppressed(int id) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (int suppressed : m_suppressed)
        if (suppressed == id) return true;
    return false;
}

void MSG_INDEX::set_suppressed(int id, bool suppressed)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_suppressed.begin(); it != m_suppressed.end(); ++it) {
        if (*it == id) {
            if (!suppressed) m_suppressed.erase(it);
            return;
        }
    }
    if (suppressed) m_suppressed.push_back(id);
}

void MSG_REPORT::post(const MSG_BASE& message)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_messages.push_back(MSG_RECORD{message.get_id(), message.get_type(), message.get_text()});
    if (m_echo)
        std::fprintf(stderr, "%s (%d): %s\n", message.get_type() == MSG_TYPE::ERROR ? "Error" : "Info",
                     message.get_id(), message.get_text().c_str());
}

std::vector<MSG_RECORD> MSG_REPORT::get_messages() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_messages;
}

void MSG_REPORT::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_messages.clear();
}

void MSG_REPORT::flush()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::cerr.flush();
    std::fflush(stderr);
}

void MSG_REPORT::flush_all() { msg_get_default_report()->flush(); }

MSG_REPORT* msg_get_default_report()
{
    // Never destroyed, so objects destroyed at exit may still post.
    static MSG_REPORT* report = new MSG_REPORT;
    return report;
}

void msg_post(const MSG_BASE& message, MSG_REPORT* report)
{
    if (!message.is_postable()) return;
    (report ? report : msg_get_default_report())->post(message);
}

// ---- Location schemas ----------------------------------------------------------------------------

MSG_GEN_LOCATION_SCHEMA::MSG_GEN_LOCATION_SCHEMA(const MSG_GEN_LOCATION_SCHEMA& other) : MSG_LOCATION_SCHEMA()
{
    m_locations.reserve(other.m_locations.size());
    for (const MSG_LOCATION* location : other.m_locations)
        m_locations.push_back(location->clone());
}

MSG_GEN_LOCATION_SCHEMA::~MSG_GEN_LOCATION_SCHEMA()
{
    for (MSG_LOCATION* location : m_locations)
        delete location;
}

void MSG_GEN_LOCATION_SCHEMA::add_object(MSG_LOCATION* location)
{
    if (location != nullptr) m_locations.push_back(location);
}

void MSG_GEN_LOCATION_SCHEMA::to_tcl_string(std::string& out) const
{
    std::vector<std::string> words;
    words.reserve(2 * m_locations.size());
    for (const MSG_LOCATION* location : m_locations) {
        words.emplace_back("instance");
        words.push_back(location->get_location());
    }
    std::vector<const char*> argv;
    argv.reserve(words.size());
    for (const std::string& word : words)
        argv.push_back(word.c_str());
    // Tcl_Merge quotes each word so that names with blanks, braces or backslashes split back intact.
    char* merged = Tcl_Merge(static_cast<int>(argv.size()), argv.data());
    std::string text(1, '{');
    text.append(merged);
    text.push_back('}');
    Tcl_Free(merged);
    out.swap(text);
}

int MSG_LOCATION_SCHEMA::from_tcl_string(Tcl_Interp* interp, int argc, const char* const* argv)
{
    if (interp == nullptr) return TCL_ERROR;
    if (argc < 1 || argv == nullptr || (argc - 1) % 2 != 0) {
        Tcl_SetObjResult(interp, Tcl_NewStringObj("location schema: expected pairs \"instance <name>\"", -1));
        return TCL_ERROR;
    }
    for (int i = 1; i < argc; i += 2) {
        if (argv[i] == nullptr || argv[i + 1] == nullptr || std::string(argv[i]) != "instance") {
            std::string text = "location schema: unknown location kind \"";
            text += argv[i] ? argv[i] : "";
            text += "\"";
            Tcl_SetObjResult(interp, Tcl_NewStringObj(text.c_str(), -1));
            return TCL_ERROR;
        }
    }
    auto schema = std::make_unique<MSG_GEN_LOCATION_SCHEMA>();
    for (int i = 1; i < argc; i += 2) {
        auto instance = std::make_unique<MSG_GEN_LOC_INSTANCE>();
        instance->set_instance_name(argv[i + 1]);
        schema->add_object(instance.release());
    }
    std::string pointer_text = atcl_ptr_to_string(schema.release());
    Tcl_SetObjResult(interp, Tcl_NewStringObj(pointer_text.c_str(), -1));
    return TCL_OK;
}
