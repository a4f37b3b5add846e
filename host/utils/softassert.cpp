#include "softassert.h"

#include <QLoggingCategory>

namespace Host::Utils {

namespace {
Q_LOGGING_CATEGORY(assertLog, "host.softassert", QtWarningMsg)

// Developers who want a hard stop at the first soft assertion (to get a core
// dump at the faulty spot) set HOST_FATAL_SOFT_ASSERTS=1.
bool fatalAsserts()
{
    static const bool fatal = qEnvironmentVariableIntValue("HOST_FATAL_SOFT_ASSERTS") != 0;
    return fatal;
}
} // namespace

void reportSoftAssertion(const char *message)
{
    if (fatalAsserts())
        qFatal("Soft assertion failed: %s", message);
    qCWarning(assertLog, "Soft assertion failed: %s", message);
}

} // namespace Host::Utils
