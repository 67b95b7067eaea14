// The connection to the host: the interfaces queried at start-up and their teardown.
#pragma once

#include "platform/com.h"
#include "runtime/api_slots.h"
#include "runtime/interface_ids.h"

extern HMODULE ClientModule;
// Entries 1 to 12 of the host's interfaces, stored at index 0 to 11; entry 3 is ApiInterface.
extern IUnknown* HostInterfaces[kHostInterfaceCount];
extern ApiHostInterface* ApiInterface;
extern IHostMemory* HostMemoryInterface;
extern IHostModule* HostModuleInterface;
extern IUnknown* HostReserveInterface;

// Queries the twelve host interfaces in table order, storing each (null where unsupported).
void HostInterfacesQuery(IUnknown* host);
// Releases the twelve in the same order and clears them; host operations fail from then on.
void HostInterfacesRelease();
// Queries the host's interfaces and settles KeepHostMemory: steps 3 to 5 of the start-up.
// Returns 0 when the API interface was obtained, -1 otherwise.
int ClientConnect(IUnknown* host);
// Releases every host interface; called when the notification sink is destroyed.
void ClientShutdown();
