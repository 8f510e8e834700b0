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
// frees otherwise costs more than the loading itself. Blocks are reused, never returned, so the
// pool holds at most what the largest document needed at once. Under AddressSanitizer every
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
#endif
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
        auto& slab = m_slabs.emplace_back(std::make_unique<std::byte[]>(m_size * kBlocksPerSlab));
        for (std::size_t i = kBlocksPerSlab; i-- > 0;) {
            auto* n = reinterpret_cast<Node*>(slab.get() + i * m_size);
            n->next = m_free;
            m_free = n;
        }
    }
    std::size_t m_size;
    [[maybe_unused]] std::atomic_flag m_busy = ATOMIC_FLAG_INIT; // unused when passing through
    [[maybe_unused]] Node* m_free = nullptr;
    [[maybe_unused]] std::vector<std::unique_ptr<std::byte[]>> m_slabs;
};

} // namespace xal::db
