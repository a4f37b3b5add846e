#pragma once

#include "utils_global.h"

namespace Host::Utils {

// Logs a failed soft assertion: the condition text and "file:line". Kept out of
// line so the macro expands to as little code as possible at each use.
HOST_UTILS_EXPORT void reportSoftAssertion(const char *message);

} // namespace Host::Utils

#define HOST_ASSERT_STRINGIFY_HELPER(x) #x
#define HOST_ASSERT_STRINGIFY(x) HOST_ASSERT_STRINGIFY_HELPER(x)

// A soft assertion: when `cond` does not hold, the condition text and the source
// location are logged and `action` runs (typically `return` or `break`); the
// program goes on. Use it for states that are a programming error but must not
// take the application down, e.g. a missing host object.
#define HOST_SOFT_ASSERT(cond, action)                                                             \
    if (Q_LIKELY(cond)) {                                                                          \
    } else {                                                                                       \
        ::Host::Utils::reportSoftAssertion("\"" #cond "\" in " __FILE__                            \
                                           ":" HOST_ASSERT_STRINGIFY(__LINE__));                   \
        action;                                                                                    \
    }                                                                                              \
    do {                                                                                           \
    } while (false)

// Unconditionally reports an unexpected code path.
#define HOST_SOFT_FAIL(text)                                                                       \
    ::Host::Utils::reportSoftAssertion("\"" text "\" in " __FILE__                                 \
                                       ":" HOST_ASSERT_STRINGIFY(__LINE__))
