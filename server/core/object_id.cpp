#include "core/object_id.h"

#include <atomic>
#include <limits>
#include <stdexcept>

namespace trelon {

namespace {
std::atomic<int64_t> gLastID{0};
}

int32_t NewObjectID() {
    int64_t id = gLastID.fetch_add(1) + 1;
    if (id > std::numeric_limits<int32_t>::max()) {
        throw std::overflow_error("object identifiers exhausted");
    }
    return int32_t(id);
}

}  // namespace trelon
