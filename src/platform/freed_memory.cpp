#include "platform/freed_memory.h"

#if __has_include(<malloc.h>)
#include <malloc.h> // on the GNU C library, also defines __GLIBC__
#endif

namespace vorn {

void returnFreedMemory() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

} // namespace vorn
