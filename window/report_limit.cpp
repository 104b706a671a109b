#include "report_limit.h"

#include "common/system_memory.h"

namespace gegu {

qsizetype reportLimit() {
    return qsizetype(usableMemory() / 4 / sizeof(char16_t));
}

} // namespace gegu
