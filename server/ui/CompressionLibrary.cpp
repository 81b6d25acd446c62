// Loading and releasing libquodra.so.
#include "server/ui/CompressionLibrary.h"

#include "server/net/ProcessState.h"

// FIXME: load through platform/LibraryLoader.h once it has landed.
void loadCompressionLibrary() {}

void releaseCompressionLibrary() {
    compressFn.store(nullptr);
    decompressFn.store(nullptr);
}
