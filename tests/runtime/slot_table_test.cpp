// The interface's method table has every operation at its slot. Under the Itanium C++ ABI (g++
// and mingw g++) a pointer to a virtual member holds 1 + the method's byte offset in the table.
#include "runtime/api_slots.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

template <typename Member> int VirtualSlot(Member member) {
    std::uintptr_t raw = 0;
    std::memcpy(&raw, &member, sizeof raw);
    return static_cast<int>((raw - 1) / sizeof(void*));
}

TEST(ApiSlotTable, EveryMethodSitsAtItsSlot) {
#if defined(_WIN32)
    // The system's IUnknown adds a template overload of QueryInterface: name the COM method.
    using QueryInterfaceMethod = HRESULT (LX_STDCALL ApiHostInterface::*)(REFIID, void**);
    EXPECT_EQ(VirtualSlot(static_cast<QueryInterfaceMethod>(&ApiHostInterface::QueryInterface)), 0);
#else
    EXPECT_EQ(VirtualSlot(&ApiHostInterface::QueryInterface), 0);
#endif
    EXPECT_EQ(VirtualSlot(&ApiHostInterface::AddRef), 1);
    EXPECT_EQ(VirtualSlot(&ApiHostInterface::Release), 2);
#define LX_CHECK_SLOT(slot, name, params)                                                          \
    EXPECT_EQ(VirtualSlot(&ApiHostInterface::name), slot) << #name;
#define LX_CHECK_GAP(slot) EXPECT_EQ(VirtualSlot(&ApiHostInterface::Unused##slot), slot);
    LX_API_SLOTS(LX_CHECK_SLOT, LX_CHECK_GAP)
#undef LX_CHECK_SLOT
#undef LX_CHECK_GAP
    EXPECT_EQ(VirtualSlot(&ApiHostInterface::DefineAndAddCommand), kApiSlotCount - 1);
}

TEST(ApiSlotTable, TheStartUpInterfacesHaveOneMethodAfterIUnknown) {
    EXPECT_EQ(VirtualSlot(&IHostMemory::SetClientMemoryMode), 3);
    EXPECT_EQ(VirtualSlot(&IHostModule::SetClientModule), 3);
}

} // namespace
