#include "hier/hdb.h"

#include "msg/msg.h"

HDB_INSTANCE_NAME::HDB_INSTANCE_NAME(std::vector<LEVEL> levels, std::unique_ptr<MSG_LOCATION_SCHEMA> schema)
    : m_levels(std::move(levels)), m_schema(std::move(schema))
{
}

HDB_INSTANCE_NAME HDB_INSTANCE_NAME::from_path(const std::string& full_path)
{
    std::vector<LEVEL> levels;
    size_t begin = 0;
    while (true) {
        size_t bar = full_path.find('|', begin);
        levels.push_back(
            LEVEL{full_path.substr(begin, bar == std::string::npos ? std::string::npos : bar - begin), {}});
        if (bar == std::string::npos) break;
        begin = bar + 1;
    }
    if (full_path.empty()) levels.clear();
    return HDB_INSTANCE_NAME(std::move(levels));
}

HDB_INSTANCE_NAME::HDB_INSTANCE_NAME(HDB_INSTANCE_NAME&&) noexcept = default;
HDB_INSTANCE_NAME& HDB_INSTANCE_NAME::operator=(HDB_INSTANCE_NAME&&) noexcept = default;
HDB_INSTANCE_NAME::~HDB_INSTANCE_NAME() = default;

std::string HDB_INSTANCE_NAME::get_short_hpath(HDB_HPATH_FORMAT_TYPE format) const
{
    if (m_levels.empty()) return {};
    if (format == HDB_HPATH_FULL) {
        std::string out;
        write_full_hpath(out);
        return out;
    }
    if (m_levels.size() == 1) return m_levels.front().instance;
    std::string out;
    for (size_t i = 1; i < m_levels.size(); ++i) {
        if (i > 1) out += '|';
        const LEVEL& level = m_levels[i];
        if (format == HDB_HPATH_ENTITY_INSTANCE && !level.entity.empty()) out += level.entity + ":";
        out += level.instance;
    }
    return out;
}

void HDB_INSTANCE_NAME::write_full_hpath(std::string& out) const
{
    out.clear();
    for (size_t i = 0; i < m_levels.size(); ++i) {
        if (i > 0) out += '|';
        out += m_levels[i].instance;
    }
}

const HDB_INSTANCE_NAME* HDB_NAMESPACE::add_instance_name(HDB_INSTANCE_NAME name)
{
    std::string path;
    name.write_full_hpath(path);
    auto stored = std::make_unique<HDB_INSTANCE_NAME>(std::move(name));
    const HDB_INSTANCE_NAME* result = stored.get();
    m_names[path] = std::move(stored);
    return result;
}

const HDB_INSTANCE_NAME* HDB_NAMESPACE::get_instance_name(const std::string& name) const
{
    auto it = m_names.find(name);
    return it == m_names.end() ? nullptr : it->second.get();
}

MSG_LOCATION_SCHEMA* HUT_UTIL::clone_location_schema(const HDB_INSTANCE_NAME* instance)
{
    if (instance == nullptr || instance->get_location_schema() == nullptr) return nullptr;
    return instance->get_location_schema()->clone();
}
