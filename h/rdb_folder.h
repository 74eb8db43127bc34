#pragma once
// RDB_FOLDER_OBJECT: a report object that owns an ordered list of children, and the folder kinds
// built on it (multi-corner and master-detail folders).
//
// Every child in a folder's list has the folder as parent and is OWNED; an object is in at most one
// folder. Names need not be unique: lookups by name take the first match in list order. Paths are
// names joined by "||".

#include <iterator>
#include <list>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "rdb_object.h"

using RDB_OBJECT_LIST = std::list<RDB_OBJECT*>;

// Iterator over a folder's children: IS_CONST 0 is the mutable one, 1 the const one. Yields RDB_OBJECT*.
template <int IS_CONST> class RDB_BASE_ITER {
public:
    using LIST_ITER = std::conditional_t<IS_CONST == 0, RDB_OBJECT_LIST::iterator, RDB_OBJECT_LIST::const_iterator>;
    using iterator_category = std::bidirectional_iterator_tag;
    using value_type = RDB_OBJECT*;
    using difference_type = std::ptrdiff_t;
    using pointer = value_type*;
    using reference = value_type;

    RDB_BASE_ITER() = default;
    explicit RDB_BASE_ITER(LIST_ITER it) : m_it(it) {}
    RDB_OBJECT* operator*() const { return *m_it; }
    RDB_BASE_ITER& operator++()
    {
        ++m_it;
        return *this;
    }
    RDB_BASE_ITER operator++(int)
    {
        RDB_BASE_ITER old = *this;
        ++m_it;
        return old;
    }
    RDB_BASE_ITER& operator--()
    {
        --m_it;
        return *this;
    }
    RDB_BASE_ITER operator--(int)
    {
        RDB_BASE_ITER old = *this;
        --m_it;
        return old;
    }
    bool operator==(const RDB_BASE_ITER& other) const { return m_it == other.m_it; }
    bool operator!=(const RDB_BASE_ITER& other) const { return m_it != other.m_it; }

private:
    LIST_ITER m_it{};
};

class RDB_FOLDER_OBJECT : public RDB_OBJECT {
public:
    explicit RDB_FOLDER_OBJECT(const std::string& name);
    RDB_FOLDER_OBJECT(const RDB_FOLDER_OBJECT&) = delete;
    RDB_FOLDER_OBJECT& operator=(const RDB_FOLDER_OBJECT&) = delete;
    // Removes the children's trait values in one call, then deletes every child in list order.
    ~RDB_FOLDER_OBJECT() override;

    RDB_OVERRIDE_DOWNCAST(RDB_FOLDER_OBJECT)
    PDB_DECLARE_PERSISTENT(RDB_FOLDER_OBJECT)
    RDB_OBJECT_TYPE get_type() const override;
    void accept_visitor(RDB_OBJECT_VISITOR* visitor) override;
    // Each child's plain text followed by a line break.
    void output_ascii(std::ostream& os) override;
    void output_html(std::ostream& os) override;
    // The object keys, then "object_list" with one filled object per child.
    void fill_json_object(nlohmann::json* object) override;
    // Sets the permission of the folder and of its whole subtree.
    void _chmod(PERMISSION permission) override;

    // Adders: the folder must be writable and the object NOT_OWNED (internal errors); the object
    // then has the folder as parent and is OWNED. A null object is ignored. Adding a folder into
    // itself or into one of its descendants is an internal error.
    virtual void add_object_to_list(RDB_OBJECT* object);
    virtual void add_object_to_list_top(RDB_OBJECT* object);
    // Deletes the child (every occurrence is removed from the list). A pointer that is not a child
    // is left alone.
    virtual void remove_object_from_list(RDB_OBJECT* object);
    // Deletes every child whose name equals name exactly.
    virtual void remove_object_from_list(const std::string& name);
    // Moves a child to the end of the list; an object NOT_OWNED is added at the end. An object owned
    // by another folder is an internal error.
    virtual void move_object_to_end(RDB_OBJECT* object);

    // Takes the object from the pointer and appends it; an empty pointer is the internal error "object".
    void push_back(std::unique_ptr<RDB_OBJECT> object);
    // Detaches a child and hands it to the caller; empty when the pointer is null or not a child.
    std::unique_ptr<RDB_OBJECT> remove_and_transfer(RDB_OBJECT* object);
    // Detaches every child, in list order.
    std::vector<std::unique_ptr<RDB_OBJECT>> clear_and_transfer();
    // Detaches and deletes every child.
    void clear();

    RDB_BASE_ITER<0> begin() { return RDB_BASE_ITER<0>(begin_object_iter()); }
    RDB_BASE_ITER<0> end() { return RDB_BASE_ITER<0>(end_object_iter()); }
    RDB_BASE_ITER<1> begin() const { return RDB_BASE_ITER<1>(begin_object_const_iter()); }
    RDB_BASE_ITER<1> end() const { return RDB_BASE_ITER<1>(end_object_const_iter()); }
    std::size_t size() const;
    bool empty() const;
    // True when object is one of this folder's own children.
    bool contains(const RDB_OBJECT* object) const;

    bool get_is_stage_folder() const { return m_is_stage_folder; }
    void set_is_stage_folder(bool on) { m_is_stage_folder = on; }

    // The same as find_object_by_path.
    RDB_OBJECT* find_object(const std::string& path) const { return find_object_by_path(path); }
    // The object at a "||" path below this folder, or null.
    RDB_OBJECT* find_object_by_path(const std::string& path) const;
    // The first object whose path below this folder matches a bus-aware glob pattern, or null.
    RDB_OBJECT* find_object_by_pattern(const std::string& pattern) const;
    // The first object named name: own children first, then depth-first into child folders.
    RDB_OBJECT* find_object_recursively(const std::string& name) const;

    virtual RDB_OBJECT_LIST* get_object_list();
    virtual RDB_OBJECT_LIST::const_iterator begin_object_const_iter() const;
    virtual RDB_OBJECT_LIST::const_iterator end_object_const_iter() const;

protected:
    RDB_FOLDER_OBJECT();
    virtual const RDB_OBJECT_LIST* get_object_list() const;
    virtual RDB_OBJECT_LIST::iterator begin_object_iter();
    virtual RDB_OBJECT_LIST::iterator end_object_iter();

    // Makes object a child: parent set and OWNED.
    void adopt(RDB_OBJECT* object);
    // Undoes adopt: no parent and NOT_OWNED.
    static void release(RDB_OBJECT* object);
    // The checks every adder makes before it adopts.
    void check_can_adopt(const RDB_OBJECT* object) const;

private:
    RDB_OBJECT* find_object_by_pattern(std::string pattern, const std::string& parent_path) const;

    bool m_is_stage_folder = false;
    RDB_OBJECT_LIST m_object_list;
};

// A folder for the results of several timing corners.
class RDB_MULTI_CORNER_FOLDER_OBJECT : public RDB_FOLDER_OBJECT {
public:
    explicit RDB_MULTI_CORNER_FOLDER_OBJECT(const std::string& name);
    RDB_OVERRIDE_DOWNCAST(RDB_MULTI_CORNER_FOLDER_OBJECT)
    PDB_DECLARE_PERSISTENT(RDB_MULTI_CORNER_FOLDER_OBJECT)
    // True when no child is enabled (also when there are no children).
    bool is_complete() const;

protected:
    RDB_MULTI_CORNER_FOLDER_OBJECT();

private:
    std::unordered_set<std::string> m_corners;
};

// A folder whose master table selects which detail object a viewer shows.
class RDB_MASTER_DETAIL_OBJECT : public RDB_FOLDER_OBJECT {
public:
    explicit RDB_MASTER_DETAIL_OBJECT(const std::string& name);
    RDB_OVERRIDE_DOWNCAST(RDB_MASTER_DETAIL_OBJECT)
    PDB_DECLARE_PERSISTENT(RDB_MASTER_DETAIL_OBJECT)
    // Adds the table unless it is already a child, then makes it the master table.
    void add_master_table(RDB_TABLE_OBJECT* table);
    // Adds the object unless it is already a child, then appends it to the details.
    void add_detail_object(RDB_OBJECT* object);
    RDB_TABLE_OBJECT* get_master_table() const { return m_master_table; }
    // The i-th detail; out of range throws std::out_of_range.
    RDB_OBJECT* get_detail_object(unsigned int i) const { return m_detail_objects.at(i); }
    std::size_t get_detail_count() const { return m_detail_objects.size(); }

protected:
    RDB_MASTER_DETAIL_OBJECT();

private:
    RDB_TABLE_OBJECT* m_master_table = nullptr;
    std::vector<RDB_OBJECT*> m_detail_objects;
};

class RDB_REPORT;

// A folder that stands for the main folder of another report, found in the report registry by the
// link's key (revision name and report type key). Its list operations act on the linked report.
class RDB_LINK_RPT_OBJECT : public RDB_FOLDER_OBJECT {
public:
    explicit RDB_LINK_RPT_OBJECT(const std::string& name);

    RDB_OVERRIDE_DOWNCAST(RDB_LINK_RPT_OBJECT)
    PDB_DECLARE_PERSISTENT(RDB_LINK_RPT_OBJECT)
    void accept_visitor(RDB_OBJECT_VISITOR* visitor) override;

    // Sets the key once: a different key after a non-empty one is the internal error "Change report
    // key is not allowed.". With delete_report set, the report stored under the key is deleted.
    void set_rev_name_and_rpt_type(const std::string& rev_name, const std::string& rpt_type, bool delete_report);
    // Registers report in the registry under the link's key.
    void set_link_rpt(RDB_REPORT* report);
    // The linked report from the registry; null without a key or report.
    RDB_REPORT* get_link_rpt() const;
    std::string get_rev_name() const { return m_rev_name; }
    std::string get_rpt_type() const { return m_rpt_type; }

    // Forwarded to the linked report's main folder; without one the internal error "main_folder != 0".
    void add_object_to_list(RDB_OBJECT* object) override;
    void add_object_to_list_top(RDB_OBJECT* object) override;
    void remove_object_from_list(RDB_OBJECT* object) override;
    void remove_object_from_list(const std::string& name) override;

    // The linked main folder's list, or null.
    RDB_OBJECT_LIST* get_object_list() override;
    // The list of the linked report's current folder when it has one, else of its main folder; null
    // without a report or folder.
    const RDB_OBJECT_LIST* get_object_list() const override;
    // Over the mutable list; an empty pair without one.
    RDB_OBJECT_LIST::iterator begin_object_iter() override;
    RDB_OBJECT_LIST::iterator end_object_iter() override;
    // Over the const list; an empty pair without one.
    RDB_OBJECT_LIST::const_iterator begin_object_const_iter() const override;
    RDB_OBJECT_LIST::const_iterator end_object_const_iter() const override;

protected:
    RDB_LINK_RPT_OBJECT();

private:
    // The linked report's main folder, or null.
    RDB_FOLDER_OBJECT* get_main_folder() const;
    RDB_FOLDER_OBJECT& get_main_folder_or_die() const;

    std::string m_rev_name;
    std::string m_rpt_type;
};

// Detaches a child without deleting it: NOT_OWNED, no parent, and the caller keeps it. Nothing
// happens when the pointer is null or not a child.
void rdb_remove_object_from_list_without_delete(RDB_FOLDER_OBJECT& folder, RDB_OBJECT* object);
// Detaches every child named name (the caller must already hold pointers to them).
void rdb_remove_object_from_list_without_delete(RDB_FOLDER_OBJECT& folder, const std::string& name);
// Reorders the children: those named in first (in that order), then the unnamed ones in their
// previous order, then those named in last.
void rdb_reorder_objects(RDB_FOLDER_OBJECT& folder, const std::vector<std::string>& first,
                         const std::vector<std::string>& last);
