#include "trait/dtrait.h"

#include <algorithm>
#include <mutex>
#include <set>

#include "msg/msg.h"

std::string DCL_TRAIT_NAME::get_full_name_str() const
{
    return std::to_string(m_category) + ":" + m_group + ":" + m_basename;
}

namespace DTRAIT {

namespace {

constexpr const char* TYPE_NAMES[TYPE_COUNT] = {"BOOL", "INT", "LONG", "FLOAT", "DOUBLE", "STRING", "BYTE_ARRAY"};

bool value_has_kind(const VALUE& value, TYPE_ENUM type) { return value.index() == static_cast<size_t>(type); }

} // namespace

const char* type_name(TYPE_ENUM type)
{
    int index = static_cast<int>(type);
    RDB_ASSERT_MSG(index >= 0 && index < TYPE_COUNT, "Illegal trait kind");
    return TYPE_NAMES[index];
}

std::optional<TYPE_ENUM> type_from_name(std::string_view name)
{
    for (int i = 0; i < TYPE_COUNT; ++i)
        if (name == TYPE_NAMES[i]) return static_cast<TYPE_ENUM>(i);
    return std::nullopt;
}

TRAIT_TABLE::SLOT& TRAIT_TABLE::slot_of(DEFINITION_HANDLE definition)
{
    RDB_ASSERT(definition != nullptr);
    auto it = m_by_handle.find(definition);
    RDB_ASSERT_MSG(it != m_by_handle.end(), "Trait definition does not belong to this trait table");
    return *it->second;
}

const TRAIT_TABLE::SLOT& TRAIT_TABLE::slot_of(DEFINITION_HANDLE definition) const
{
    RDB_ASSERT(definition != nullptr);
    auto it = m_by_handle.find(definition);
    RDB_ASSERT_MSG(it != m_by_handle.end(), "Trait definition does not belong to this trait table");
    return *it->second;
}

std::pair<DEFINITION_HANDLE, bool> TRAIT_TABLE::find_or_create_definition_impl(std::type_index owner, TYPE_ENUM type,
                                                                               const DCL_TRAIT_NAME& name,
                                                                               const ATTRIBUTES& attributes)
{
    std::unique_lock<std::shared_mutex> lock(m_mutex);
    auto it = m_by_name.find({owner, name});
    if (it != m_by_name.end()) {
        if (it->second->definition.type() != type) {
            std::string text = "Trait " + name.get_full_name_str() + " is already defined with another kind";
            lock.unlock();
            RDB_INTERNAL_ERROR(text.c_str());
        }
        return {&it->second->definition, false};
    }
    if (attributes.default_value && !value_has_kind(*attributes.default_value, type)) {
        std::string text = "Default value of trait " + name.get_full_name_str() + " has another kind";
        lock.unlock();
        RDB_INTERNAL_ERROR(text.c_str());
    }
    SLOT& slot = m_slots.emplace_back(SLOT{DEFINITION(owner, name, type, attributes), {}});
    m_by_name.emplace(std::make_pair(owner, name), &slot);
    m_by_handle.emplace(&slot.definition, &slot);
    return {&slot.definition, true};
}

std::optional<DEFINITION_HANDLE> TRAIT_TABLE::find_definition_impl(std::type_index owner,
                                                                   const DCL_TRAIT_NAME& name) const
{
    std::shared_lock<std::shared_mutex> lock(m_mutex);
    auto it = m_by_name.find({owner, name});
    if (it == m_by_name.end()) return std::nullopt;
    return &it->second->definition;
}

void TRAIT_TABLE::set_value_impl(DEFINITION_HANDLE definition, KEY key, VALUE value)
{
    std::unique_lock<std::shared_mutex> lock(m_mutex);
    SLOT& slot = slot_of(definition);
    if (!value_has_kind(value, slot.definition.type())) {
        std::string text = "Value kind does not match the kind of trait " + slot.definition.name().get_full_name_str();
        lock.unlock();
        RDB_INTERNAL_ERROR(text.c_str());
    }
    slot.values.insert_or_assign(key, std::move(value));
}

const VALUE* TRAIT_TABLE::get_value_impl(DEFINITION_HANDLE definition, KEY key) const
{
    std::shared_lock<std::shared_mutex> lock(m_mutex);
    const SLOT& slot = slot_of(definition);
    auto it = slot.values.find(key);
    return it == slot.values.end() ? nullptr : &it->second;
}

const VALUE* TRAIT_TABLE::default_value_impl(DEFINITION_HANDLE definition) const
{
    std::shared_lock<std::shared_mutex> lock(m_mutex);
    const SLOT& slot = slot_of(definition);
    const std::optional<VALUE>& value = slot.definition.attributes().default_value;
    return value ? &*value : nullptr;
}

void TRAIT_TABLE::reset_values_impl(KEY key)
{
    std::unique_lock<std::shared_mutex> lock(m_mutex);
    for (SLOT& slot : m_slots)
        slot.values.erase(key);
}

void TRAIT_TABLE::bulk_reset_values_impl(std::span<const KEY> keys)
{
    if (keys.empty()) return;
    std::unique_lock<std::shared_mutex> lock(m_mutex);
    for (SLOT& slot : m_slots) {
        if (slot.values.empty()) continue;
        for (KEY key : keys)
            slot.values.erase(key);
    }
}

void TRAIT_TABLE::copy_values_impl(KEY from, KEY to)
{
    if (from == to) return;
    std::unique_lock<std::shared_mutex> lock(m_mutex);
    for (SLOT& slot : m_slots) {
        auto it = slot.values.find(from);
        if (it == slot.values.end()) continue;
        VALUE copy = it->second;
        slot.values.insert_or_assign(to, std::move(copy));
    }
}

std::vector<DEFINITION_HANDLE> TRAIT_TABLE::all_definitions_impl(std::type_index owner) const
{
    std::shared_lock<std::shared_mutex> lock(m_mutex);
    std::vector<DEFINITION_HANDLE> out;
    for (const SLOT& slot : m_slots)
        if (slot.definition.owner() == owner) out.push_back(&slot.definition);
    return out;
}

std::vector<std::pair<KEY, const VALUE*>> TRAIT_TABLE::value_range_impl(DEFINITION_HANDLE definition) const
{
    std::shared_lock<std::shared_mutex> lock(m_mutex);
    const SLOT& slot = slot_of(definition);
    std::vector<std::pair<KEY, const VALUE*>> out;
    out.reserve(slot.values.size());
    for (const auto& [key, value] : slot.values)
        out.emplace_back(key, &value);
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return out;
}

size_t TRAIT_TABLE::count_values(KEY key) const
{
    std::shared_lock<std::shared_mutex> lock(m_mutex);
    size_t count = 0;
    for (const SLOT& slot : m_slots)
        count += slot.values.count(key);
    return count;
}

TRAIT_TABLE& GLOBAL_TRAIT_TABLE_ACCESSOR::get()
{
    // Never destroyed: objects destroyed at exit still reset their values here.
    static TRAIT_TABLE* table = new TRAIT_TABLE;
    return *table;
}

namespace DETAIL {

namespace {

struct ENABLED_TYPES {
    std::mutex mutex;
    std::set<std::type_index> types;
};

ENABLED_TYPES& enabled_types()
{
    static ENABLED_TYPES* types = new ENABLED_TYPES;
    return *types;
}

} // namespace

void check_permissions_for_enabling_dtrait(std::type_index type)
{
    ENABLED_TYPES& enabled = enabled_types();
    std::lock_guard<std::mutex> lock(enabled.mutex);
    enabled.types.insert(type);
}

bool is_dtrait_enabled(std::type_index type)
{
    ENABLED_TYPES& enabled = enabled_types();
    std::lock_guard<std::mutex> lock(enabled.mutex);
    return enabled.types.count(type) != 0;
}

} // namespace DETAIL

} // namespace DTRAIT
