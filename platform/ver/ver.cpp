#include "ver/ver.h"

#include <list>
#include <mutex>

namespace {

constexpr const char* DEFAULT_PRODUCT = "rdb";
constexpr const char* DEFAULT_VERSION = "1.0.0";
constexpr const char* DEFAULT_BUILD = "1";

struct VERSION_TEXTS {
    std::mutex mutex;
    // Every product name ever set, so that a pointer handed out stays valid after a change.
    std::list<std::string> products{DEFAULT_PRODUCT};
    std::string version = DEFAULT_VERSION;
    std::string build = DEFAULT_BUILD;
};

VERSION_TEXTS& texts()
{
    static VERSION_TEXTS* instance = new VERSION_TEXTS; // never destroyed: used by exit-time destructors
    return *instance;
}

} // namespace

const char* ver_get_pellam_product_name()
{
    VERSION_TEXTS& t = texts();
    std::lock_guard<std::mutex> lock(t.mutex);
    return t.products.back().c_str();
}

std::string ver_get_full_version(int detail)
{
    VERSION_TEXTS& t = texts();
    std::lock_guard<std::mutex> lock(t.mutex);
    if (detail <= 0) return t.version;
    return "Version " + t.version + " Build " + t.build;
}

void ver_set_product(const std::string& product_name, const std::string& version, const std::string& build)
{
    VERSION_TEXTS& t = texts();
    std::lock_guard<std::mutex> lock(t.mutex);
    const std::string product = product_name.empty() ? DEFAULT_PRODUCT : product_name;
    if (product != t.products.back()) t.products.push_back(product);
    t.version = version.empty() ? DEFAULT_VERSION : version;
    t.build = build.empty() ? DEFAULT_BUILD : build;
}
