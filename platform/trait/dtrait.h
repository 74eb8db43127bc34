#pragma once
// Trait registry: typed named values ("traits") kept for objects outside the objects themselves,
// in one process-wide table keyed by object identity.
//
// This layer stands in for the suite's trait library. A definition is made once per owner type,
// trait name and kind; values are stored per definition and per 64-bit object key. Views returned
// for string and byte-array values stay valid until that value is changed or reset. The table is
// guarded by a reader-writer lock, so different threads may work on different objects.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <shared_mutex>
#include <span>
#include <string>
#include <string_view>
#include <typeindex>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

// A trait name: category, group and base name.
class DCL_TRAIT_NAME {
public:
    DCL_TRAIT_NAME(int category, std::string group, std::string basename)
        : m_category(category), m_group(std::move(group)), m_basename(std::move(basename))
    {
    }
    int get_category() const { return m_category; }
    const std::string& get_group_str() const { return m_group; }
    const std::string& get_basename_str() const { return m_basename; }
    // "<category>:<group>:<base name>", the form used in messages and files.
    std::string get_full_name_str() const;
    bool operator==(const DCL_TRAIT_NAME&) const = default;
    auto operator<=>(const DCL_TRAIT_NAME&) const = default;

private:
    int m_category;
    std::string m_group;
    std::string m_basename;
};

namespace DTRAIT {

// The seven kinds of trait values; their names in files are those of type_name().
enum class TYPE_ENUM : int { BOOL = 0, INT = 1, LONG = 2, FLOAT = 3, DOUBLE = 4, STRING = 5, BYTE_ARRAY = 6 };
constexpr int TYPE_COUNT = 7;

// "BOOL", "INT", "LONG", "FLOAT", "DOUBLE", "STRING", "BYTE_ARRAY".
const char* type_name(TYPE_ENUM type);
// The kind named by text, or nullopt.
std::optional<TYPE_ENUM> type_from_name(std::string_view name);

using KEY = std::uint64_t;
using BYTES = std::vector<std::byte>;
// One stored value; the alternative index equals the TYPE_ENUM value.
using VALUE = std::variant<bool, std::int32_t, std::int64_t, float, double, std::string, BYTES>;

// Definition attributes. Only the optional default value is used by this system.
struct ATTRIBUTES {
    std::optional<VALUE> default_value;
};

class DEFINITION {
public:
    DEFINITION(std::type_index owner, DCL_TRAIT_NAME name, TYPE_ENUM type, ATTRIBUTES attributes)
        : m_owner(owner), m_name(std::move(name)), m_type(type), m_attributes(std::move(attributes))
    {
    }
    const DCL_TRAIT_NAME& name() const { return m_name; }
    TYPE_ENUM type() const { return m_type; }
    const ATTRIBUTES& attributes() const { return m_attributes; }
    std::type_index owner() const { return m_owner; }

private:
    std::type_index m_owner;
    DCL_TRAIT_NAME m_name;
    TYPE_ENUM m_type;
    ATTRIBUTES m_attributes;
};
using DEFINITION_HANDLE = const DEFINITION*;

class TRAIT_TABLE {
public:
    // The definition of name for the owner type, made with the given kind and attributes when it
    // does not exist yet; second is true when it was made now. An existing definition of another
    // kind is an internal error.
    std::pair<DEFINITION_HANDLE, bool> find_or_create_definition_impl(std::type_index owner, TYPE_ENUM type,
                                                                      const DCL_TRAIT_NAME& name,
                                                                      const ATTRIBUTES& attributes = {});
    // The definition of name for the owner type; empty when the name was never defined.
    std::optional<DEFINITION_HANDLE> find_definition_impl(std::type_index owner, const DCL_TRAIT_NAME& name) const;

    // Stores value for key; its kind must match the definition's (internal error otherwise).
    void set_value_impl(DEFINITION_HANDLE definition, KEY key, VALUE value);
    // The value stored for key, or null. The pointer stays valid until the value changes or is reset.
    const VALUE* get_value_impl(DEFINITION_HANDLE definition, KEY key) const;
    // The definition's own default value, or null.
    const VALUE* default_value_impl(DEFINITION_HANDLE definition) const;

    // Removes every value of key, under all definitions.
    void reset_values_impl(KEY key);
    // Removes every value of all the keys in one pass.
    void bulk_reset_values_impl(std::span<const KEY> keys);
    // Copies every value of from to to (replacing values to already has under those definitions).
    void copy_values_impl(KEY from, KEY to);
    // The owner type's definitions, in creation order.
    std::vector<DEFINITION_HANDLE> all_definitions_impl(std::type_index owner) const;
    // The (key, value) pairs stored under a definition, ordered by key.
    std::vector<std::pair<KEY, const VALUE*>> value_range_impl(DEFINITION_HANDLE definition) const;
    // Number of values stored for key (all definitions); mostly for tests and debugging.
    size_t count_values(KEY key) const;

private:
    struct SLOT {
        DEFINITION definition;
        std::unordered_map<KEY, VALUE> values;
    };
    SLOT& slot_of(DEFINITION_HANDLE definition);
    const SLOT& slot_of(DEFINITION_HANDLE definition) const;

    mutable std::shared_mutex m_mutex;
    std::deque<SLOT> m_slots; // stable addresses: handles point into it
    std::map<std::pair<std::type_index, DCL_TRAIT_NAME>, SLOT*> m_by_name;
    std::unordered_map<DEFINITION_HANDLE, SLOT*> m_by_handle;
};

struct GLOBAL_TRAIT_TABLE_ACCESSOR {
    // The process's trait table.
    static TRAIT_TABLE& get();
};

namespace DETAIL {

// Records that objects of the type may carry traits; called once per enabled type.
void check_permissions_for_enabling_dtrait(std::type_index type);
bool is_dtrait_enabled(std::type_index type);

// The identity of an object in the trait table, and the flag that says it may have values there.
template <class OWNER> class ENABLE_BASE {
public:
    KEY get_dtrait_key() const { return reinterpret_cast<KEY>(static_cast<const ENABLE_BASE*>(this)); }
    bool has_dtrait_values() const { return m_has_dtrait_values.load(std::memory_order_acquire); }

protected:
    ENABLE_BASE() = default;
    // A copy carries no trait values.
    ENABLE_BASE(const ENABLE_BASE&) : m_has_dtrait_values(false) {}
    ENABLE_BASE& operator=(const ENABLE_BASE&) { return *this; }
    ~ENABLE_BASE() = default;

    void mark_dtrait_values() { m_has_dtrait_values.store(true, std::memory_order_release); }
    // Clears the flag; true for exactly one of several racing callers that found it set.
    bool take_dtrait_values_flag()
    {
        bool expected = true;
        return m_has_dtrait_values.compare_exchange_strong(expected, false, std::memory_order_acq_rel);
    }

private:
    std::atomic<bool> m_has_dtrait_values{false};
};

} // namespace DETAIL

template <class OWNER> class BASIC_ENABLE : public DETAIL::ENABLE_BASE<OWNER> {
protected:
    BASIC_ENABLE() = default;
    BASIC_ENABLE(const BASIC_ENABLE&) = default;
    BASIC_ENABLE& operator=(const BASIC_ENABLE&) = default;
    ~BASIC_ENABLE() = default;
};

} // namespace DTRAIT
