#include "rdb_object.h"

#include <atomic>
#include <map>
#include <mutex>
#include <typeindex>
#include <utility>

#include "msg/msg.h"
#include "rdb_enum.h"
#include "rdb_folder.h"
#include "rdb_visitor.h"

namespace {

constexpr const char* CHECKED_TAG = "_CHECKED_";
constexpr std::size_t CHECKED_TAG_LEN = 9;
constexpr const char* EXPANDED_TAG = "_EXPANDED_";
constexpr std::size_t EXPANDED_TAG_LEN = 10;

void enable_traits_once()
{
    static std::once_flag once;
    std::call_once(once, [] { DTRAIT::DETAIL::check_permissions_for_enabling_dtrait(typeid(RDB_OBJECT)); });
}

std::type_index trait_owner() { return std::type_index(typeid(RDB_OBJECT)); }

DCL_TRAIT_NAME trait_name(std::string_view name)
{
    return DCL_TRAIT_NAME(RDB_OBJECT::TRAIT_CATEGORY, RDB_OBJECT::TRAIT_GROUP, std::string(name));
}

// Definitions never go away, so a handle found once stays good for the life of the process.
DTRAIT::DEFINITION_HANDLE find_or_create_definition(std::string_view name, DTRAIT::TYPE_ENUM type)
{
    static std::mutex mutex;
    static std::map<std::pair<std::string, DTRAIT::TYPE_ENUM>, DTRAIT::DEFINITION_HANDLE> cache;

    std::pair<std::string, DTRAIT::TYPE_ENUM> key(std::string(name), type);
    std::lock_guard<std::mutex> lock(mutex);
    auto found = cache.find(key);
    if (found != cache.end()) return found->second;
    DTRAIT::DEFINITION_HANDLE definition = DTRAIT::GLOBAL_TRAIT_TABLE_ACCESSOR::get()
                                               .find_or_create_definition_impl(trait_owner(), type, trait_name(name))
                                               .first;
    cache.emplace(std::move(key), definition);
    return definition;
}

// The value of the kind asked for, or the caller's default when the stored value is of another kind.
template <DTRAIT::TYPE_ENUM TYPE, class T> T value_or(const DTRAIT::VALUE* value, T default_value)
{
    constexpr std::size_t index = static_cast<std::size_t>(TYPE);
    if (value == nullptr || value->index() != index) return default_value;
    return T(std::get<index>(*value));
}

std::atomic<RDB_OBJECT_DESTROY_HOOK> g_destroy_hook{nullptr};

} // namespace

RDB_OBJECT_DESTROY_HOOK rdb_set_object_destroy_hook(RDB_OBJECT_DESTROY_HOOK hook)
{
    return g_destroy_hook.exchange(hook);
}

RDB_OBJECT::RDB_OBJECT() { enable_traits_once(); }

RDB_OBJECT::RDB_OBJECT(const std::string& name) : m_name(name) { enable_traits_once(); }

RDB_OBJECT::RDB_OBJECT(const RDB_OBJECT& other)
    : DTRAIT::BASIC_ENABLE<RDB_OBJECT>(other), m_parent(nullptr), m_permission(other.m_permission),
      m_ownership_status(false), m_enable(other.m_enable), m_visible(other.m_visible), m_color(other.m_color),
      m_name(other.m_name), m_header(other.m_header), m_to_output_ascii_header(other.m_to_output_ascii_header),
      m_footer(other.m_footer), m_to_output_ascii_footer(other.m_to_output_ascii_footer),
      m_tcl_command(other.m_tcl_command), m_help_id(other.m_help_id), m_timing_corner(other.m_timing_corner),
      m_is_ascii_writable(other.m_is_ascii_writable), m_not_ascii_writable_msg(other.m_not_ascii_writable_msg)
{
    enable_traits_once();
}

RDB_OBJECT& RDB_OBJECT::operator=(const RDB_OBJECT& other)
{
    if (this == &other) return *this;
    reset_traits();
    // Parent and ownership describe where this object lives, so they stay.
    m_permission = other.m_permission;
    m_enable = other.m_enable;
    m_visible = other.m_visible;
    m_color = other.m_color;
    m_name = other.m_name;
    m_header = other.m_header;
    m_to_output_ascii_header = other.m_to_output_ascii_header;
    m_footer = other.m_footer;
    m_to_output_ascii_footer = other.m_to_output_ascii_footer;
    m_tcl_command = other.m_tcl_command;
    m_help_id = other.m_help_id;
    m_timing_corner = other.m_timing_corner;
    m_is_ascii_writable = other.m_is_ascii_writable;
    m_not_ascii_writable_msg = other.m_not_ascii_writable_msg;
    return *this;
}

RDB_OBJECT::~RDB_OBJECT()
{
    RDB_ASSERT_MSG(get_ownership_status() == RDB_OWNERSHIP::NOT_OWNED,
                   "get_ownership_status() == RDB_OWNERSHIP::NOT_OWNED");
    // A viewer's panel id must not outlive the object it names.
    if (RDB_OBJECT_DESTROY_HOOK hook = g_destroy_hook.load()) hook(this);
    reset_traits();
}

RDB_OBJECT_TYPE RDB_OBJECT::get_type() const { return RDB_NO_OBJECT_TYPE; }

void RDB_OBJECT::accept_visitor(RDB_OBJECT_VISITOR* visitor) { visitor->visit_object(this); }

std::string RDB_OBJECT::get_data_string(unsigned int, unsigned int) const { return std::string(); }

std::string RDB_OBJECT::get_footer() const
{
    std::size_t pos = m_footer.rfind(CHECKED_TAG);
    return pos == std::string::npos ? m_footer : m_footer.substr(0, pos);
}

std::string RDB_OBJECT::get_footer_suffix() const
{
    std::size_t pos = m_footer.rfind(CHECKED_TAG);
    return pos == std::string::npos ? std::string() : m_footer.substr(pos);
}

void RDB_OBJECT::set_help_id(const std::string& help_id)
{
    RDB_ASSERT(is_writable());
    m_help_id = help_id;
}

void RDB_OBJECT::set_timing_corner(const std::string& corner)
{
    RDB_ASSERT(is_writable());
    m_timing_corner = corner;
}

void RDB_OBJECT::set_not_ascii_writable(const std::string& msg)
{
    m_is_ascii_writable = false;
    m_not_ascii_writable_msg = msg;
}

void RDB_OBJECT::set_parent(RDB_OBJECT_SET_PARENT_KEY, RDB_FOLDER_OBJECT* parent)
{
    RDB_ASSERT(is_writable());
    m_parent = parent;
}

void RDB_OBJECT::set_checked(int checked, bool expanded)
{
    std::string suffix = CHECKED_TAG + std::to_string(checked) + EXPANDED_TAG + (expanded ? "1" : "0");
    std::size_t pos = m_footer.rfind(CHECKED_TAG);
    if (pos != std::string::npos) m_footer.erase(pos);
    m_footer += suffix;
}

int RDB_OBJECT::is_checked() const
{
    std::size_t pos = m_footer.rfind(CHECKED_TAG);
    if (pos == std::string::npos) return 0;
    std::size_t digit = pos + CHECKED_TAG_LEN;
    if (m_footer.size() != digit + 1 + EXPANDED_TAG_LEN + 1) return 0;
    if (m_footer.compare(digit + 1, EXPANDED_TAG_LEN, EXPANDED_TAG) != 0) return 0;
    char c = m_footer[digit];
    return c >= '0' && c <= '9' ? c - '0' : 0;
}

bool RDB_OBJECT::is_expanded() const
{
    std::size_t pos = m_footer.rfind(EXPANDED_TAG);
    if (pos == std::string::npos) return false;
    std::size_t digit = pos + EXPANDED_TAG_LEN;
    if (m_footer.size() != digit + 1) return false;
    char c = m_footer[digit];
    return c >= '1' && c <= '9';
}

std::string RDB_OBJECT::get_path(bool) const
{
    std::string path = "||" + m_name;
    bool first = true;
    for (const RDB_FOLDER_OBJECT* parent = m_parent; parent != nullptr; parent = parent->get_parent()) {
        path = parent->get_name() + (first ? "" : "||") + path;
        first = false;
    }
    return path;
}

// ---- Traits --------------------------------------------------------------------------------------

void RDB_OBJECT::set_trait_value(std::string_view name, DTRAIT::TYPE_ENUM type, DTRAIT::VALUE value)
{
    DTRAIT::DEFINITION_HANDLE definition = find_or_create_definition(name, type);
    DTRAIT::GLOBAL_TRAIT_TABLE_ACCESSOR::get().set_value_impl(definition, get_dtrait_key(), std::move(value));
    mark_dtrait_values();
}

const DTRAIT::VALUE* RDB_OBJECT::find_trait_value(std::string_view name) const
{
    DTRAIT::TRAIT_TABLE& table = DTRAIT::GLOBAL_TRAIT_TABLE_ACCESSOR::get();
    DCL_TRAIT_NAME full_name = trait_name(name);
    std::optional<DTRAIT::DEFINITION_HANDLE> definition = table.find_definition_impl(trait_owner(), full_name);
    if (!definition) {
        std::string text = "\"" + full_name.get_full_name_str() + "\" does not map to an existing trait definition.";
        RDB_INTERNAL_ERROR(text.c_str());
    }
    if (const DTRAIT::VALUE* value = table.get_value_impl(*definition, get_dtrait_key())) return value;
    return table.default_value_impl(*definition);
}

void RDB_OBJECT::set_bool_trait(std::string_view name, bool value)
{
    set_trait_value(name, DTRAIT::TYPE_ENUM::BOOL, DTRAIT::VALUE(std::in_place_index<0>, value));
}

bool RDB_OBJECT::get_bool_trait(std::string_view name, bool default_value) const
{
    return value_or<DTRAIT::TYPE_ENUM::BOOL>(find_trait_value(name), default_value);
}

void RDB_OBJECT::set_int_trait(std::string_view name, int value)
{
    set_trait_value(name, DTRAIT::TYPE_ENUM::INT, DTRAIT::VALUE(std::in_place_index<1>, value));
}

int RDB_OBJECT::get_int_trait(std::string_view name, int default_value) const
{
    return value_or<DTRAIT::TYPE_ENUM::INT>(find_trait_value(name), default_value);
}

void RDB_OBJECT::set_long_trait(std::string_view name, std::int64_t value)
{
    set_trait_value(name, DTRAIT::TYPE_ENUM::LONG, DTRAIT::VALUE(std::in_place_index<2>, value));
}

std::int64_t RDB_OBJECT::get_long_trait(std::string_view name, std::int64_t default_value) const
{
    return value_or<DTRAIT::TYPE_ENUM::LONG>(find_trait_value(name), default_value);
}

void RDB_OBJECT::set_float_trait(std::string_view name, float value)
{
    set_trait_value(name, DTRAIT::TYPE_ENUM::FLOAT, DTRAIT::VALUE(std::in_place_index<3>, value));
}

float RDB_OBJECT::get_float_trait(std::string_view name, float default_value) const
{
    return value_or<DTRAIT::TYPE_ENUM::FLOAT>(find_trait_value(name), default_value);
}

void RDB_OBJECT::set_double_trait(std::string_view name, double value)
{
    set_trait_value(name, DTRAIT::TYPE_ENUM::DOUBLE, DTRAIT::VALUE(std::in_place_index<4>, value));
}

double RDB_OBJECT::get_double_trait(std::string_view name, double default_value) const
{
    return value_or<DTRAIT::TYPE_ENUM::DOUBLE>(find_trait_value(name), default_value);
}

void RDB_OBJECT::set_string_trait(std::string_view name, std::string value)
{
    set_trait_value(name, DTRAIT::TYPE_ENUM::STRING, DTRAIT::VALUE(std::in_place_index<5>, std::move(value)));
}

std::string RDB_OBJECT::get_string_trait(std::string_view name, std::string default_value) const
{
    return value_or<DTRAIT::TYPE_ENUM::STRING>(find_trait_value(name), std::move(default_value));
}

void RDB_OBJECT::set_byte_array_trait(std::string_view name, std::span<const std::byte> value)
{
    set_trait_value(name, DTRAIT::TYPE_ENUM::BYTE_ARRAY,
                    DTRAIT::VALUE(std::in_place_index<6>, DTRAIT::BYTES(value.begin(), value.end())));
}

std::span<const std::byte> RDB_OBJECT::get_byte_array_trait(std::string_view name,
                                                            std::span<const std::byte> default_value) const
{
    const DTRAIT::VALUE* value = find_trait_value(name);
    if (value == nullptr || value->index() != static_cast<std::size_t>(DTRAIT::TYPE_ENUM::BYTE_ARRAY))
        return default_value;
    const DTRAIT::BYTES& bytes = std::get<DTRAIT::BYTES>(*value);
    return std::span<const std::byte>(bytes.data(), bytes.size());
}

void RDB_OBJECT::reset_traits()
{
    if (take_trait_values()) DTRAIT::GLOBAL_TRAIT_TABLE_ACCESSOR::get().reset_values_impl(get_dtrait_key());
}
