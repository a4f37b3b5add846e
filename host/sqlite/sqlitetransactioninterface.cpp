#include "sqlitetransactioninterface.h"

namespace Host::Sqlite {

TransactionInterface::~TransactionInterface() = default;

} // namespace Host::Sqlite
