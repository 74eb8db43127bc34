#pragma once
// Memory of table cells and their texts (library-internal).
//
// Cells are small and many: a million-row table holds millions of them, each with a text. Allocating
// each from the general heap costs a block header per cell and per text and scatters a table over the
// whole heap. Instead cells and texts are bumped out of 64 KiB chunks, cells and texts in two separate
// chunks so that texts stay packed. A chunk counts its live objects; it goes back to a process-wide
// cache of empty chunks when the last of them is released, on whatever thread that happens, even after
// the pool that handed them out is gone (a detached row may outlive its table).
//
// Each thread has a default pool. RDB_CELL_POOL_SCOPE makes a pool of its own current for the time it
// lives, so that the cells read into one table share chunks with no other table and the memory goes
// back when that table is destroyed.
//
// Built for the address sanitizer, or with RDB_PLAIN_CELL_ALLOCATION defined (for valgrind), every
// allocation goes to the ordinary operator new and every release to operator delete, so those tools see
// each cell as its own block. The choice is made when this library is compiled, never mixed.

#include <cstddef>
#include <cstdint>

struct RDB_CELL_CHUNK;

class RDB_CELL_POOL {
public:
    RDB_CELL_POOL() = default;
    // Retires the chunks being filled: chunks whose objects were all released go back at once, the others
    // when their last object is released.
    ~RDB_CELL_POOL();
    RDB_CELL_POOL(const RDB_CELL_POOL&) = delete;
    RDB_CELL_POOL& operator=(const RDB_CELL_POOL&) = delete;

    // 8-aligned memory for a cell object of size bytes, from the pool current on this thread; throws
    // std::bad_alloc when no memory is left.
    static void* allocate_cell(std::size_t size);
    // Memory for a text of size bytes (its terminating zero included), from the pool current on this
    // thread. A text larger than a quarter of a chunk gets a block of its own.
    static char* allocate_text(std::size_t size);
    // Gives back memory that either function returned; null is ignored. Any thread, any time.
    static void release(void* memory) noexcept;

    // False when this build hands every allocation to the ordinary allocator (sanitizers, valgrind).
    static bool uses_chunks();
    // Chunks (and blocks of long texts) holding live objects or being filled, and empty chunks kept
    // for reuse: process-wide counts, for tests and benchmarks.
    static std::size_t chunks_in_use();
    static std::size_t chunks_cached();
    // Gives the pages of empty chunks back to the system, keeping a few megabytes ready; answers how
    // many chunks went back. Empty chunks are otherwise kept for the next table.
    static std::size_t trim() noexcept;

private:
    friend class RDB_CELL_POOL_SCOPE;

    // One bump stream: the chunk being filled, the offset of its next free byte and the number of
    // objects it handed out.
    struct STREAM {
        RDB_CELL_CHUNK* chunk = nullptr;
        std::size_t cursor = 0;
        std::uint32_t count = 0;

        void* allocate(std::size_t size, std::size_t align);
        void retire() noexcept;
    };

    STREAM m_cells;
    STREAM m_texts;
};

// Makes a fresh pool current on this thread while it lives (scopes nest); the cells allocated meanwhile
// share chunks only with each other.
class RDB_CELL_POOL_SCOPE {
public:
    RDB_CELL_POOL_SCOPE();
    ~RDB_CELL_POOL_SCOPE();
    RDB_CELL_POOL_SCOPE(const RDB_CELL_POOL_SCOPE&) = delete;
    RDB_CELL_POOL_SCOPE& operator=(const RDB_CELL_POOL_SCOPE&) = delete;

private:
    RDB_CELL_POOL m_pool;
    RDB_CELL_POOL* m_previous;
};
