#include "rdb_folder.h"

#include <algorithm>
#include <deque>
#include <unordered_map>

#include "msg/msg.h"
#include "ktl/ktl.h"
#include "rdb_enum.h"
#include "rdb_table_sys.h"
#include "rdb_visitor.h"
#include "tcl/atcl.h"

// The only code besides the folder that may change a child's parent and ownership: the free
// functions that detach children go through it.
class RDB_FOLDER_ACCESS {
public:
    // Takes every occurrence of object out of the folder's list and leaves it without parent and
    // NOT_OWNED. Internal error unless the folder is writable; false (nothing done) when object is
    // not a child.
    static bool detach(RDB_FOLDER_OBJECT& folder, RDB_OBJECT* object)
    {
        RDB_ASSERT_MSG(folder.is_writable(), "is_writable()");
        RDB_OBJECT_LIST* list = folder.get_object_list();
        if (list == nullptr || std::find(list->begin(), list->end(), object) == list->end()) return false;
        object->set_parent(RDB_OBJECT_SET_PARENT_KEY(), nullptr);
        list->remove(object);
        object->set_ownership_status(RDB_OBJECT_SET_OWNED_KEY(), NOT_OWNED);
        return true;
    }
};

// ---- RDB_FOLDER_OBJECT ---------------------------------------------------------------------------

RDB_FOLDER_OBJECT::RDB_FOLDER_OBJECT() = default;

RDB_FOLDER_OBJECT::RDB_FOLDER_OBJECT(const std::string& name) : RDB_OBJECT(name) {}

RDB_FOLDER_OBJECT::~RDB_FOLDER_OBJECT()
{
    std::vector<DTRAIT::KEY> keys;
    keys.reserve(m_object_list.size());
    for (RDB_OBJECT* ptr : m_object_list) {
        RDB_ASSERT(ptr != nullptr);
        if (ptr->take_trait_values()) keys.push_back(ptr->get_dtrait_key());
    }
    if (!keys.empty()) DTRAIT::GLOBAL_TRAIT_TABLE_ACCESSOR::get().bulk_reset_values_impl(keys);

    for (RDB_OBJECT* child : m_object_list) {
        child->set_ownership_status(RDB_OBJECT_SET_OWNED_KEY(), NOT_OWNED);
        delete child;
    }
    m_object_list.clear();
}

RDB_OBJECT_TYPE RDB_FOLDER_OBJECT::get_type() const { return RDB_FOLDER_TYPE; }

void RDB_FOLDER_OBJECT::accept_visitor(RDB_OBJECT_VISITOR* visitor) { visitor->visit_folder(this); }

void RDB_FOLDER_OBJECT::_chmod(PERMISSION permission)
{
    RDB_OBJECT::_chmod(permission);
    for (RDB_OBJECT* child : m_object_list)
        if (child != nullptr) child->_chmod(permission);
}

// ---- Ownership -----------------------------------------------------------------------------------

void RDB_FOLDER_OBJECT::adopt(RDB_OBJECT* object)
{
    object->set_parent(RDB_OBJECT_SET_PARENT_KEY(), this);
    object->set_ownership_status(RDB_OBJECT_SET_OWNED_KEY(), OWNED);
}

void RDB_FOLDER_OBJECT::release(RDB_OBJECT* object)
{
    object->set_parent(RDB_OBJECT_SET_PARENT_KEY(), nullptr);
    object->set_ownership_status(RDB_OBJECT_SET_OWNED_KEY(), NOT_OWNED);
}

void RDB_FOLDER_OBJECT::check_can_adopt(const RDB_OBJECT* object) const
{
    RDB_ASSERT(is_writable());
    // A folder inside its own subtree would own itself: a cycle no deletion could end.
    for (const RDB_FOLDER_OBJECT* ancestor = this; ancestor != nullptr; ancestor = ancestor->get_parent())
        RDB_ASSERT_MSG(ancestor != object, "object is not this folder or one of its ancestors");
    RDB_ASSERT(object->get_ownership_status() == RDB_OWNERSHIP::NOT_OWNED);
}

void RDB_FOLDER_OBJECT::add_object_to_list(RDB_OBJECT* object)
{
    if (object == nullptr) return;
    check_can_adopt(object);
    m_object_list.push_back(object);
    adopt(object);
}

void RDB_FOLDER_OBJECT::add_object_to_list_top(RDB_OBJECT* object)
{
    if (object == nullptr) return;
    check_can_adopt(object);
    m_object_list.push_front(object);
    adopt(object);
}

void RDB_FOLDER_OBJECT::push_back(std::unique_ptr<RDB_OBJECT> object)
{
    RDB_ASSERT(object);
    check_can_adopt(object.get());
    RDB_OBJECT_LIST* list = get_object_list();
    RDB_ASSERT(list != nullptr);
    adopt(object.get());
    list->push_back(object.release());
}

void RDB_FOLDER_OBJECT::move_object_to_end(RDB_OBJECT* object)
{
    if (object == nullptr) return;
    bool is_child = std::find(m_object_list.begin(), m_object_list.end(), object) != m_object_list.end();
    if (is_child) {
        RDB_ASSERT(is_writable());
    } else {
        check_can_adopt(object);
    }
    adopt(object);
    m_object_list.remove(object);
    m_object_list.push_back(object);
}

void RDB_FOLDER_OBJECT::remove_object_from_list(RDB_OBJECT* object)
{
    if (object == nullptr) return;
    RDB_ASSERT(is_writable());
    RDB_OBJECT_LIST* list = get_object_list();
    if (list == nullptr || std::find(list->begin(), list->end(), object) == list->end()) return;
    release(object);
    list->remove(object);
    delete object;
}

void RDB_FOLDER_OBJECT::remove_object_from_list(const std::string& name)
{
    RDB_OBJECT_LIST* list = get_object_list();
    if (list == nullptr) return;
    std::vector<RDB_OBJECT*> matches;
    for (RDB_OBJECT* child : *list)
        if (child != nullptr && child->get_name() == name &&
            std::find(matches.begin(), matches.end(), child) == matches.end())
            matches.push_back(child);
    for (RDB_OBJECT* child : matches) {
        release(child);
        list->remove(child);
        delete child;
    }
}

std::unique_ptr<RDB_OBJECT> RDB_FOLDER_OBJECT::remove_and_transfer(RDB_OBJECT* object)
{
    if (object == nullptr) return nullptr;
    if (!RDB_FOLDER_ACCESS::detach(*this, object)) return nullptr;
    return std::unique_ptr<RDB_OBJECT>(object);
}

std::vector<std::unique_ptr<RDB_OBJECT>> RDB_FOLDER_OBJECT::clear_and_transfer()
{
    RDB_ASSERT(is_writable());
    std::vector<std::unique_ptr<RDB_OBJECT>> objects;
    RDB_OBJECT_LIST* list = get_object_list();
    if (list == nullptr) return objects;
    objects.reserve(list->size());
    // Each child leaves the list as it is handed over, so the list never names a released object.
    while (!list->empty()) {
        RDB_OBJECT* child = list->front();
        if (child != nullptr) release(child);
        list->pop_front();
        if (child != nullptr) objects.emplace_back(child);
    }
    return objects;
}

void RDB_FOLDER_OBJECT::clear()
{
    std::vector<std::unique_ptr<RDB_OBJECT>> objects = clear_and_transfer();
    for (std::unique_ptr<RDB_OBJECT>& object : objects)
        object.reset();
}

// ---- List access ---------------------------------------------------------------------------------

std::size_t RDB_FOLDER_OBJECT::size() const
{
    const RDB_OBJECT_LIST* list = get_object_list();
    return list == nullptr ? 0 : list->size();
}

bool RDB_FOLDER_OBJECT::empty() const
{
    const RDB_OBJECT_LIST* list = get_object_list();
    return list == nullptr || list->empty();
}

bool RDB_FOLDER_OBJECT::contains(const RDB_OBJECT* object) const
{
    if (object == nullptr) return false;
    const RDB_OBJECT_LIST* list = get_object_list();
    return list != nullptr && std::find(list->begin(), list->end(), object) != list->end();
}

RDB_OBJECT_LIST* RDB_FOLDER_OBJECT::get_object_list() { return &m_object_list; }

const RDB_OBJECT_LIST* RDB_FOLDER_OBJECT::get_object_list() const { return &m_object_list; }

RDB_OBJECT_LIST::iterator RDB_FOLDER_OBJECT::begin_object_iter() { return m_object_list.begin(); }

RDB_OBJECT_LIST::iterator RDB_FOLDER_OBJECT::end_object_iter() { return m_object_list.end(); }

RDB_OBJECT_LIST::const_iterator RDB_FOLDER_OBJECT::begin_object_const_iter() const { return m_object_list.cbegin(); }

RDB_OBJECT_LIST::const_iterator RDB_FOLDER_OBJECT::end_object_const_iter() const { return m_object_list.cend(); }

// ---- Finding -------------------------------------------------------------------------------------

RDB_OBJECT* RDB_FOLDER_OBJECT::find_object_by_path(const std::string& path) const
{
    const RDB_FOLDER_OBJECT* folder = this;
    std::string rest = path;
    for (;;) {
        if (rest.size() >= 2 && rest.compare(0, 2, "||") == 0) rest.erase(0, 2);
        std::size_t separator = rest.size() >= 2 ? rest.find("||") : std::string::npos;
        std::string head = separator == std::string::npos ? rest : rest.substr(0, separator);

        RDB_OBJECT* match = nullptr;
        for (auto it = folder->begin_object_const_iter(); it != folder->end_object_const_iter(); ++it) {
            if (*it != nullptr && (*it)->get_name() == head) {
                match = *it;
                break;
            }
        }
        if (separator == std::string::npos || match == nullptr) return match;

        const RDB_FOLDER_OBJECT* next = match->dynamic_cast_to_RDB_FOLDER_OBJECT();
        if (match->get_type() != RDB_FOLDER_TYPE || next == nullptr) {
            msg_local_vdebug("RDB", 2, "Incorrect path %s", path.c_str());
            return nullptr;
        }
        rest.erase(0, separator + 2);
        folder = next;
    }
}

RDB_OBJECT* RDB_FOLDER_OBJECT::find_object_by_pattern(const std::string& pattern) const
{
    return find_object_by_pattern(pattern, std::string());
}

RDB_OBJECT* RDB_FOLDER_OBJECT::find_object_by_pattern(std::string pattern, const std::string& parent_path) const
{
    if (pattern.size() >= 2 && pattern.compare(0, 2, "||") == 0) pattern.erase(0, 2);

    for (auto it = begin_object_const_iter(); it != end_object_const_iter(); ++it) {
        RDB_OBJECT* object = *it;
        RDB_ASSERT_MSG(object != nullptr, "object != 0");
        if (atcl_tcl_stringmatch_for_bus(parent_path + object->get_name(), pattern, true)) return object;
    }

    std::size_t star = pattern.find('*');
    std::size_t separator = pattern.find("||");
    bool exact = separator != std::string::npos && (star == std::string::npos || separator < star);
    std::string head;
    if (exact) {
        head = pattern.substr(0, separator);
        pattern.erase(0, separator + 2);
        RDB_ASSERT(parent_path.empty());
    } else {
        head = star == std::string::npos ? pattern : pattern.substr(0, star + 1);
    }

    for (auto it = begin_object_const_iter(); it != end_object_const_iter(); ++it) {
        const RDB_FOLDER_OBJECT* folder = (*it)->dynamic_cast_to_RDB_FOLDER_OBJECT();
        if (folder == nullptr) continue;
        if (exact) {
            if (folder->get_name() == head) return folder->find_object_by_pattern(pattern, std::string());
        } else if (atcl_tcl_stringmatch_for_bus(parent_path + folder->get_name(), head, true)) {
            RDB_OBJECT* found = folder->find_object_by_pattern(pattern, parent_path + folder->get_name() + "||");
            if (found != nullptr) return found;
        }
    }
    return nullptr;
}

RDB_OBJECT* RDB_FOLDER_OBJECT::find_object_recursively(const std::string& name) const
{
    for (auto it = begin_object_const_iter(); it != end_object_const_iter(); ++it) {
        RDB_OBJECT* tmp_obj = *it;
        RDB_ASSERT(tmp_obj != 0);
        if (tmp_obj->get_name() == name) return tmp_obj;
    }
    for (auto it = begin_object_const_iter(); it != end_object_const_iter(); ++it) {
        const RDB_FOLDER_OBJECT* folder = (*it)->dynamic_cast_to_RDB_FOLDER_OBJECT();
        if (folder == nullptr) continue;
        if (RDB_OBJECT* found = folder->find_object_recursively(name)) return found;
    }
    return nullptr;
}

// ---- Folder kinds --------------------------------------------------------------------------------

RDB_MULTI_CORNER_FOLDER_OBJECT::RDB_MULTI_CORNER_FOLDER_OBJECT()
{
    m_corners.max_load_factor(0.8f);
    m_corners.rehash(ktl_hash_lite_get_next_prime(60));
}

RDB_MULTI_CORNER_FOLDER_OBJECT::RDB_MULTI_CORNER_FOLDER_OBJECT(const std::string& name) : RDB_FOLDER_OBJECT(name)
{
    m_corners.max_load_factor(0.8f);
    m_corners.rehash(ktl_hash_lite_get_next_prime(60));
}

bool RDB_MULTI_CORNER_FOLDER_OBJECT::is_complete() const
{
    for (auto it = begin_object_const_iter(); it != end_object_const_iter(); ++it)
        if (*it != nullptr && (*it)->is_enable()) return false;
    return true;
}

RDB_MASTER_DETAIL_OBJECT::RDB_MASTER_DETAIL_OBJECT() = default;

RDB_MASTER_DETAIL_OBJECT::RDB_MASTER_DETAIL_OBJECT(const std::string& name) : RDB_FOLDER_OBJECT(name) {}

void RDB_MASTER_DETAIL_OBJECT::add_master_table(RDB_TABLE_OBJECT* table)
{
    if (!contains(table)) add_object_to_list(table);
    m_master_table = table;
}

void RDB_MASTER_DETAIL_OBJECT::add_detail_object(RDB_OBJECT* object)
{
    if (!contains(object)) add_object_to_list(object);
    m_detail_objects.push_back(object);
}

// ---- Free functions ------------------------------------------------------------------------------

void rdb_remove_object_from_list_without_delete(RDB_FOLDER_OBJECT& folder, RDB_OBJECT* object)
{
    if (object == nullptr) return;
    RDB_FOLDER_ACCESS::detach(folder, object);
}

void rdb_remove_object_from_list_without_delete(RDB_FOLDER_OBJECT& folder, const std::string& name)
{
    std::vector<RDB_OBJECT*> matches;
    for (RDB_OBJECT* child : folder)
        if (child != nullptr && child->get_name() == name) matches.push_back(child);
    for (RDB_OBJECT* child : matches)
        RDB_FOLDER_ACCESS::detach(folder, child);
}

void rdb_reorder_objects(RDB_FOLDER_OBJECT& folder, const std::vector<std::string>& first,
                         const std::vector<std::string>& last)
{
    std::vector<std::unique_ptr<RDB_OBJECT>> objects = folder.clear_and_transfer();

    std::unordered_map<std::string, std::deque<std::size_t>> by_name;
    for (std::size_t i = 0; i < objects.size(); ++i)
        by_name[objects[i]->get_name()].push_back(i);

    std::vector<bool> taken(objects.size(), false);
    auto take = [&](const std::vector<std::string>& names) {
        std::vector<std::size_t> picked;
        for (const std::string& name : names) {
            auto found = by_name.find(name);
            if (found == by_name.end() || found->second.empty()) continue;
            std::size_t index = found->second.front();
            found->second.pop_front();
            taken[index] = true;
            picked.push_back(index);
        }
        return picked;
    };
    std::vector<std::size_t> front = take(first);
    std::vector<std::size_t> back = take(last);

    for (std::size_t index : front)
        folder.push_back(std::move(objects[index]));
    for (std::size_t i = 0; i < objects.size(); ++i)
        if (!taken[i]) folder.push_back(std::move(objects[i]));
    for (std::size_t index : back)
        folder.push_back(std::move(objects[index]));
}

// ---- Visitor -------------------------------------------------------------------------------------

void RDB_OBJECT_VISITOR::visit_folder(RDB_FOLDER_OBJECT* folder)
{
    for (RDB_OBJECT* child : *folder)
        if (child != nullptr) child->accept_visitor(this);
}
