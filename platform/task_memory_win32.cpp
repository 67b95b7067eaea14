// Accounting of the system's task memory for the host's tests on Windows, through the COM
// runtime's own hook on its allocator: a malloc spy, registered on the first query. It sees every
// CoTaskMemAlloc and CoTaskMemFree of the process, the plug-in's included, as the stand-in heap
// of other platforms does.
#include "platform/com.h"

#if defined(_WIN32)

#include <mutex>
#include <unordered_set>

namespace {

class TaskMemorySpy final : public IMallocSpy {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (!IsEqualGUID(iid, IID_IUnknown) && !IsEqualGUID(iid, IID_IMallocSpy))
            return E_NOINTERFACE;
        *out = static_cast<IMallocSpy*>(this);
        return S_OK;
    }
    // Lives as long as the process: the COM runtime may hold it until then.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T request) override { return request; }
    void* STDMETHODCALLTYPE PostAlloc(void* actual) override {
        if (actual) {
            std::lock_guard<std::mutex> guard(lock_);
            live_.insert(actual);
            ++stats_.allocations;
            stats_.liveBlocks = live_.size();
        }
        return actual;
    }
    void* STDMETHODCALLTYPE PreFree(void* request, BOOL) override {
        if (!request)
            return request;
        std::lock_guard<std::mutex> guard(lock_);
        if (live_.erase(request) == 0) {
            // Never handed out while the spy watched, or released twice: counted, and kept from
            // the allocator rather than corrupt its heap.
            ++stats_.badReleases;
            return nullptr;
        }
        ++stats_.releases;
        stats_.liveBlocks = live_.size();
        return request;
    }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* request, SIZE_T size, void** newRequest,
                                        BOOL) override {
        *newRequest = request;
        std::lock_guard<std::mutex> guard(lock_);
        if (request && live_.erase(request) != 0)
            stats_.liveBlocks = live_.size();
        return size;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* actual, BOOL) override {
        if (actual) {
            std::lock_guard<std::mutex> guard(lock_);
            live_.insert(actual);
            stats_.liveBlocks = live_.size();
        }
        return actual;
    }
    void* STDMETHODCALLTYPE PreGetSize(void* request, BOOL) override { return request; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T actual, BOOL) override { return actual; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* request, BOOL) override { return request; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}

    TaskMemStats Stats() {
        std::lock_guard<std::mutex> guard(lock_);
        return stats_;
    }

  private:
    std::mutex lock_;
    std::unordered_set<void*> live_;
    TaskMemStats stats_{};
};

TaskMemorySpy& Spy() {
    // Never destroyed: blocks may be released while the process exits.
    static TaskMemorySpy* spy = [] {
        auto* s = new TaskMemorySpy;
        CoRegisterMallocSpy(s);
        return s;
    }();
    return *spy;
}

} // namespace

extern "C" TaskMemStats TaskMemGetStats() {
    return Spy().Stats();
}

#endif
