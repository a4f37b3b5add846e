#include "runworker.h"

#include "runcontrol.h"

namespace Host::Projects {

RunWorker::RunWorker(RunControl *runControl) : m_runControl(runControl) { }

RunWorker::~RunWorker() = default;

} // namespace Host::Projects
