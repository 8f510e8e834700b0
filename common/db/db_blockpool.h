#pragma once
// Fixed-size blocks from a free list, for objects made and freed in great numbers.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <memory>
#include <thread>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define XAL_BLOCKPOOL_PASS_THROUGH 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define XAL_BLOCKPOOL_PASS_THROUGH 1
#endif
#endif

namespace xal::db {

// Loading a large e-script makes and frees records by the hundred thousand; blocks of one size
// from a free list keep that churn off the general allocator, whose consolidation of many small
// frees otherwise costs more than the loading itself. Blocks are reused, so repeated loads find
// their slabs ready; Trim gives all slabs but one back to the general allocator when no block
// is in use, for a program that read one large document and goes on with other work. Under
// AddressSanitizer every
// block comes from the general allocator, so that use after free is still caught.
class BlockPool {
public:
    explicit BlockPool(std::size_t blockSize) : m_size(std::max(blockSize, sizeof(Node))) {}
    void* Take() {
#ifdef XAL_BLOCKPOOL_PASS_THROUGH
        return ::operator new(m_size);
#else
        const Guard guard(*this); // Grow may throw
        if (!m_free)
            Grow();
        Node* n = m_free;
        m_free = n->next;
        ++m_live;
        return n;
#endif
    }
    void Give(void* p) noexcept {
        if (!p)
            return;
#ifdef XAL_BLOCKPOOL_PASS_THROUGH
        ::operator delete(p);
#else
        const Guard guard(*this);
        auto* n = static_cast<Node*>(p);
        n->next = m_free;
        m_free = n;
        --m_live;
#endif
    }

    // When no block is in use, keeps the first slab only; returns whether it did.
    bool Trim() noexcept {
#ifdef XAL_BLOCKPOOL_PASS_THROUGH
        return false;
#else
        const Guard guard(*this);
        if (m_live != 0 || m_slabs.size() <= 1)
            return false;
        m_slabs.resize(1);
        m_slabs.shrink_to_fit(); // never grows, so never throws
        m_free = nullptr;
        Thread(m_slabs.front().get());
        return true;
#endif
    }

    // Slabs held (for tests; none when passing through).
    [[nodiscard]] std::size_t SlabCount() const {
        return m_slabs.size();
    }

private:
    struct Node {
        Node* next;
    };
    static constexpr std::size_t kBlocksPerSlab = 256;
    // Held for a few instructions only, so spinning is cheaper than a mutex.
    void Lock() noexcept {
        while (m_busy.test_and_set(std::memory_order_acquire))
            std::this_thread::yield();
    }
    void Unlock() noexcept {
        m_busy.clear(std::memory_order_release);
    }
    struct Guard {
        explicit Guard(BlockPool& pool) : p(pool) { p.Lock(); }
        ~Guard() { p.Unlock(); }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;
        BlockPool& p;
    };
    void Grow() {
        Thread(m_slabs.emplace_back(std::make_unique<std::byte[]>(m_size * kBlocksPerSlab)).get());
    }
    // Puts every block of slab on the free list.
    void Thread(std::byte* slab) {
        for (std::size_t i = kBlocksPerSlab; i-- > 0;) {
            auto* n = reinterpret_cast<Node*>(slab + i * m_size);
            n->next = m_free;
            m_free = n;
        }
    }
    std::size_t m_size;
    [[maybe_unused]] std::atomic_flag m_busy = ATOMIC_FLAG_INIT; // unused when passing through
    [[maybe_unused]] Node* m_free = nullptr;
    [[maybe_unused]] std::size_t m_live = 0; // blocks taken and not given back
    [[maybe_unused]] std::vector<std::unique_ptr<std::byte[]>> m_slabs;
};

} // namespace xal::db
