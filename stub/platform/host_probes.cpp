// The test programs' controls of the stand-in; see host_probes.h.
#include "host_probes.h"

#include "host_internal.h"

void HostFailAllocationsAfter(long allowed) { HostProbes.allocationsAllowed = allowed; }
void HostLimitWrites(int64_t bytes) { HostProbes.writeBudget = bytes; }
void HostFailNextCloses(int count) { HostProbes.closesToFail = count; }

LPCSTR HostCurrentCursor() { return HostProbes.currentCursor; }
int HostCursorChanges() { return HostProbes.cursorChanges; }

void HostSetIoObserver(HostIoObserver observer, void* context) {
  HostProbes.ioObserver = observer;
  HostProbes.ioObserverContext = context;
}
