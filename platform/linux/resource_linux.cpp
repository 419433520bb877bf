// Resources on Linux are linked into the running program (see
// embedded_resources.h), so they are found in memory by name. The program
// path is not opened: the updater only ever asks for its own resources, and
// the running program is the one that carries them, which is also where the
// resource lookup ends up on Windows when the path cannot be opened.
#include <strings.h>

#include <cstring>

#include "platform/linux/embedded_resources.h"
#include "platform/resource.h"

size_t ResourceCopy(const char*, const char* name, void* destination, size_t capacity) {
    if (name == nullptr || destination == nullptr) return 0;
    for (size_t i = 0; i < EmbeddedResourceCount; ++i) {
        const EmbeddedResource& r = EmbeddedResources[i];
        // Resource names are case-insensitive on Windows; keep them so here.
        if (strcasecmp(r.name, name) != 0) continue;
        size_t size = static_cast<size_t>(r.end - r.begin);
        size_t count = size < capacity ? size : capacity;
        std::memcpy(destination, r.begin, count);
        return count;
    }
    return 0;
}
