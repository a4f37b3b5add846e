#include "buildbackend.h"

#include "buildtarget.h"

namespace Host::Projects {

BuildBackend::BuildBackend(BuildTarget *target) : m_target(target) { }

BuildBackend::~BuildBackend() = default;

Project *BuildBackend::project() const
{
    return m_target ? m_target->project() : nullptr;
}

void BuildBackend::beginParsing()
{
    m_parsing = true;
    emit parsingStarted();
}

void BuildBackend::endParsing(bool success)
{
    m_parsing = false;
    m_parsed = success;
    emit parsingFinished(success);
}

} // namespace Host::Projects
