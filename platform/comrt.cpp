// Stand-in of the COM runtime's task memory and of RaiseException for non-Windows builds. It is a
// shared library of its own so that the host and the plug-in module use one heap and one
// exception type, as both use ole32 and kernel32 on Windows.
#include "platform/com.h"

#include <cstdlib>
#include <mutex>
#include <unordered_set>

namespace {

struct TaskHeap {
    std::mutex lock;
    std::unordered_set<void*> live;
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
    heap.live.insert(block);
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
        if (heap.live.erase(block) == 0) {
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
