#include "softassert.h"

#include <QByteArray>
#include <QLoggingCategory>

#include <cstdlib>

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

void writeAssertLocation(const char *message)
{
    if (fatalAsserts())
        qFatal("SOFT ASSERT: %s", message);
    qCWarning(assertLog, "SOFT ASSERT: %s", message);
}

} // namespace Host::Utils
