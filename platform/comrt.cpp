// Stand-in of the COM runtime's task memory and of RaiseException for non-Windows builds. It is a
// shared library of its own so that the host and the plug-in module use one heap and one
// exception type, as both use ole32 and kernel32 on Windows.
#include "platform/com.h"

#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>
#include <vector>

namespace {

// The addresses of the blocks handed out and not yet released, so that a release of a block the
// heap never gave (or gave and took back) is counted and refused rather than passed to free().
// Open addressing with linear probing, at most half full; a removal shifts the entries after it
// back instead of leaving a marker, so that lookups never wade through removed entries. The host
// allocates and releases a few blocks for every paragraph a plug-in reads: this stays a few
// dozen instructions where a node-based set took a heap block of its own per entry.
class LiveBlocks {
  public:
    std::size_t size() const { return count_; }

    // Adds a block not in the set; false when the table could not grow (memory ran out).
    bool Insert(void* block) {
        if ((count_ + 1) * 2 > slots_.size() && !Grow()) {
            return false;
        }
        Place(Key(block));
        ++count_;
        return true;
    }

    // Removes a block; false when it is not in the set.
    bool Erase(void* block) {
        if (slots_.empty()) {
            return false;
        }
        const std::uintptr_t key = Key(block);
        const std::size_t mask = slots_.size() - 1;
        std::size_t hole = Home(key);
        while (slots_[hole] != key) {
            if (slots_[hole] == kEmpty) {
                return false;
            }
            hole = (hole + 1) & mask;
        }
        // Each later entry of the run moves into the hole unless its home lies cyclically after
        // the hole (then moving it would put it before its home, where lookups never look).
        for (std::size_t next = (hole + 1) & mask; slots_[next] != kEmpty;
             next = (next + 1) & mask) {
            const std::size_t home = Home(slots_[next]);
            if (((next - home) & mask) >= ((next - hole) & mask)) {
                slots_[hole] = slots_[next];
                hole = next;
            }
        }
        slots_[hole] = kEmpty;
        --count_;
        return true;
    }

  private:
    static constexpr std::uintptr_t kEmpty = 0; // no block has address zero
    static constexpr std::size_t kFirstSize = 64;

    static std::uintptr_t Key(void* block) { return reinterpret_cast<std::uintptr_t>(block); }

    std::size_t Home(std::uintptr_t key) const {
        // Fibonacci hashing of the address without its alignment bits.
        const std::uint64_t h = static_cast<std::uint64_t>(key >> 4) * 0x9E3779B97F4A7C15ull;
        return static_cast<std::size_t>(h >> 32) & (slots_.size() - 1);
    }

    void Place(std::uintptr_t key) {
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = Home(key);
        while (slots_[i] != kEmpty) {
            i = (i + 1) & mask;
        }
        slots_[i] = key;
    }

    bool Grow() {
        std::vector<std::uintptr_t> old;
        try {
            std::vector<std::uintptr_t> bigger(slots_.empty() ? kFirstSize : slots_.size() * 2,
                                               kEmpty);
            old.swap(slots_);
            slots_.swap(bigger);
        } catch (const std::bad_alloc&) {
            return false;
        }
        for (std::uintptr_t key : old) {
            if (key != kEmpty) {
                Place(key);
            }
        }
        return true;
    }

    std::vector<std::uintptr_t> slots_; // a power of two in size, or empty
    std::size_t count_ = 0;
};

struct TaskHeap {
    std::mutex lock;
    LiveBlocks live;
    TaskMemStats stats{};
};

TaskHeap& Heap() {
    static TaskHeap* heap = new TaskHeap; // never destroyed: blocks may be freed during exit
    return *heap;
}

} // namespace

extern "C" void* CoTaskMemAlloc(SIZE_T size) {
    // A zero-byte request still yields a distinct block, as the system allocator does.
    void* block = std::malloc(size == 0 ? 1 : size);
    if (!block)
        return nullptr;
    TaskHeap& heap = Heap();
    std::lock_guard<std::mutex> guard(heap.lock);
    if (!heap.live.Insert(block)) {
        std::free(block);
        return nullptr;
    }
    ++heap.stats.allocations;
    heap.stats.liveBlocks = heap.live.size();
    return block;
}

extern "C" void CoTaskMemFree(void* block) {
    if (!block)
        return;
    TaskHeap& heap = Heap();
    {
        std::lock_guard<std::mutex> guard(heap.lock);
        if (!heap.live.Erase(block)) {
            // Not ours, or released twice: count it and leave the memory alone rather than
            // corrupt the heap.
            ++heap.stats.badReleases;
            return;
        }
        ++heap.stats.releases;
        heap.stats.liveBlocks = heap.live.size();
    }
    std::free(block);
}

extern "C" TaskMemStats TaskMemGetStats() {
    TaskHeap& heap = Heap();
    std::lock_guard<std::mutex> guard(heap.lock);
    return heap.stats;
}

extern "C" void RaiseException(DWORD code, DWORD flags, DWORD, const ULONG_PTR*) {
    throw PlatformException{code, flags};
}
