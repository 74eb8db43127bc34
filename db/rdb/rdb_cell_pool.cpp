#include "rdb_cell_pool.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <new>
#include <vector>

#include <sys/mman.h>

#if defined(__SANITIZE_ADDRESS__)
#define RDB_CELL_POOL_PLAIN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RDB_CELL_POOL_PLAIN 1
#endif
#endif
#if defined(RDB_PLAIN_CELL_ALLOCATION) && !defined(RDB_CELL_POOL_PLAIN)
#define RDB_CELL_POOL_PLAIN 1
#endif

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

namespace {

thread_local RDB_CELL_POOL* t_current_pool = nullptr;

RDB_CELL_POOL*& current_pool() { return t_current_pool; }

} // namespace

#ifdef RDB_CELL_POOL_PLAIN

RDB_CELL_POOL::~RDB_CELL_POOL() = default;

void* RDB_CELL_POOL::allocate_cell(std::size_t size) { return ::operator new(size); }

char* RDB_CELL_POOL::allocate_text(std::size_t size) { return static_cast<char*>(::operator new(size)); }

void RDB_CELL_POOL::release(void* memory) noexcept { ::operator delete(memory); }

bool RDB_CELL_POOL::uses_chunks() { return false; }

std::size_t RDB_CELL_POOL::chunks_in_use() { return 0; }

std::size_t RDB_CELL_POOL::chunks_cached() { return 0; }

std::size_t RDB_CELL_POOL::trim() noexcept { return 0; }

#else

// The first bytes of every chunk and of every block of a long text. Objects carry no header of their
// own: chunks are aligned to their size, so an object's chunk is its address rounded down.
struct RDB_CELL_CHUNK {
    // While a pool fills the chunk: BIAS minus the objects released so far. The pool counts what it
    // hands out in a plain member and, when it moves on, subtracts BIAS minus that count; whoever takes
    // the count to zero gives the chunk back. So an allocation costs no atomic and a release one.
    std::atomic<std::uint32_t> live;
    // Bytes of a long text's own block (unmapped when released); zero for a chunk.
    std::size_t block_size;
};

namespace {

thread_local RDB_CELL_POOL t_default_pool;

constexpr std::size_t CHUNK = std::size_t{1} << 16;
constexpr std::size_t HEADER = 64;
constexpr std::size_t LONGEST_IN_CHUNK = CHUNK / 4;
constexpr std::uint32_t BIAS = std::uint32_t{1} << 31;
// Chunks are carved from regions reserved this large, so that the kernel keeps few mappings.
constexpr std::size_t REGION = std::size_t{32} << 20;
// Empty chunks whose pages trim() leaves in place, so that small programs keep a table's worth ready.
constexpr std::size_t KEPT_BY_TRIM = (std::size_t{64} << 20) / CHUNK;

static_assert(sizeof(RDB_CELL_CHUNK) <= HEADER);

std::atomic<std::size_t> g_chunks_in_use{0};

// Anonymous memory of size bytes whose address is a multiple of CHUNK.
char* map_aligned(std::size_t size)
{
    void* mapped =
        mmap(nullptr, size + CHUNK, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + CHUNK - 1) & ~(CHUNK - 1);
    if (aligned != start) munmap(mapped, aligned - start);
    const std::uintptr_t tail = start + size + CHUNK - (aligned + size);
    if (tail != 0) munmap(reinterpret_cast<void*>(aligned + size), tail);
    return reinterpret_cast<char*>(aligned);
}

// A fresh page costs far more as a fault on first touch than when the kernel fills the whole chunk in
// one call. Kernels older than 5.14 answer EINVAL: the pages then fault in as they are touched.
void populate(void* memory, std::size_t size) { madvise(memory, size, MADV_POPULATE_WRITE); }

// The process-wide supply of chunks: empty chunks ready for reuse (their pages present), empty chunks
// whose pages went back to the system, and the unused rest of the last region.
//
// Empty chunks stay ready until trim(): on this kind of machine a fresh page costs a fault of several
// microseconds, and giving pages back costs a TLB flush of every thread, so a table loaded after another
// was destroyed should find the pages where they are, as it would in the general heap.
class CHUNK_STORE {
public:
    RDB_CELL_CHUNK* take()
    {
        char* chunk = nullptr;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_ready.empty()) {
                chunk = m_ready.back();
                m_ready.pop_back();
                return start(chunk);
            }
            if (!m_released.empty()) {
                chunk = m_released.back();
                m_released.pop_back();
            } else {
                if (m_region_next == m_region_end) {
                    m_region_next = map_aligned(REGION);
                    m_region_end = m_region_next + REGION;
                    m_carved += REGION / CHUNK;
                    // give_back and trim cannot fail: their lists have room for every chunk.
                    m_ready.reserve(m_carved);
                    m_released.reserve(m_carved);
                }
                chunk = m_region_next;
                m_region_next += CHUNK;
            }
        }
        populate(chunk, CHUNK);
        return start(chunk);
    }

    void give_back(RDB_CELL_CHUNK* header) noexcept
    {
        g_chunks_in_use.fetch_sub(1, std::memory_order_relaxed);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_ready.push_back(reinterpret_cast<char*>(header));
    }

    // Gives the pages of the ready chunks beyond KEPT_BY_TRIM back to the system, neighbours in one call.
    std::size_t trim() noexcept
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_ready.size() <= KEPT_BY_TRIM) return 0;
        std::sort(m_ready.begin(), m_ready.end());
        const auto surplus = m_ready.begin() + static_cast<std::ptrdiff_t>(KEPT_BY_TRIM);
        for (auto first = surplus, last = surplus; first != m_ready.end(); first = last) {
            for (last = first + 1; last != m_ready.end() && *last == *(last - 1) + CHUNK; ++last) {
            }
            madvise(*first, static_cast<std::size_t>(last - first) * CHUNK, MADV_DONTNEED);
        }
        const std::size_t given = static_cast<std::size_t>(m_ready.end() - surplus);
        m_released.insert(m_released.end(), surplus, m_ready.end());
        m_ready.erase(surplus, m_ready.end());
        return given;
    }

    std::size_t ready()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_ready.size();
    }

private:
    static RDB_CELL_CHUNK* start(char* chunk)
    {
        g_chunks_in_use.fetch_add(1, std::memory_order_relaxed);
        return new (chunk) RDB_CELL_CHUNK{{BIAS}, 0};
    }

    std::mutex m_mutex;
    std::vector<char*> m_ready;
    std::vector<char*> m_released;
    char* m_region_next = nullptr;
    char* m_region_end = nullptr;
    std::size_t m_carved = 0;
};

// Never destroyed: cells may be released by the destructors of other static objects.
CHUNK_STORE& chunk_store()
{
    static CHUNK_STORE* store = new CHUNK_STORE();
    return *store;
}

RDB_CELL_CHUNK* chunk_of(void* memory)
{
    return reinterpret_cast<RDB_CELL_CHUNK*>(reinterpret_cast<std::uintptr_t>(memory) & ~(CHUNK - 1));
}

void drop(RDB_CELL_CHUNK* chunk, std::uint32_t count) noexcept
{
    if (chunk->live.fetch_sub(count, std::memory_order_acq_rel) != count) return;
    if (chunk->block_size == 0) return chunk_store().give_back(chunk);
    g_chunks_in_use.fetch_sub(1, std::memory_order_relaxed);
    munmap(chunk, chunk->block_size);
}

// A block of its own for a text too long to share a chunk.
void* allocate_block(std::size_t size)
{
    const std::size_t total = (HEADER + size + CHUNK - 1) & ~(CHUNK - 1);
    char* block = map_aligned(total);
    g_chunks_in_use.fetch_add(1, std::memory_order_relaxed);
    new (block) RDB_CELL_CHUNK{{1}, total};
    return block + HEADER;
}

RDB_CELL_POOL& current() { return current_pool() ? *current_pool() : t_default_pool; }

} // namespace

void* RDB_CELL_POOL::STREAM::allocate(std::size_t size, std::size_t align)
{
    if (size > LONGEST_IN_CHUNK) return allocate_block(size);
    std::size_t at = (cursor + align - 1) & ~(align - 1);
    if (chunk == nullptr || at + size > CHUNK) {
        retire();
        chunk = chunk_store().take();
        count = 0;
        at = HEADER;
    }
    cursor = at + size;
    ++count;
    return reinterpret_cast<char*>(chunk) + at;
}

void RDB_CELL_POOL::STREAM::retire() noexcept
{
    if (chunk == nullptr) return;
    drop(chunk, BIAS - count);
    chunk = nullptr;
}

RDB_CELL_POOL::~RDB_CELL_POOL()
{
    m_cells.retire();
    m_texts.retire();
}

void* RDB_CELL_POOL::allocate_cell(std::size_t size) { return current().m_cells.allocate(size, 8); }

char* RDB_CELL_POOL::allocate_text(std::size_t size) { return static_cast<char*>(current().m_texts.allocate(size, 1)); }

void RDB_CELL_POOL::release(void* memory) noexcept
{
    if (memory != nullptr) drop(chunk_of(memory), 1);
}

bool RDB_CELL_POOL::uses_chunks() { return true; }

std::size_t RDB_CELL_POOL::chunks_in_use() { return g_chunks_in_use.load(std::memory_order_relaxed); }

std::size_t RDB_CELL_POOL::chunks_cached() { return chunk_store().ready(); }

std::size_t RDB_CELL_POOL::trim() noexcept { return chunk_store().trim(); }

#endif

RDB_CELL_POOL_SCOPE::RDB_CELL_POOL_SCOPE() : m_previous(current_pool()) { current_pool() = &m_pool; }

RDB_CELL_POOL_SCOPE::~RDB_CELL_POOL_SCOPE() { current_pool() = m_previous; }
