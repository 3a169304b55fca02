// The engine objects behind TTIDatabase and TTITransaction, for the layer's
// own code and for benchmarks that measure the bare engine beside the layer.
// The public headers only name them; Firebird's types stay behind this one.
#pragma once

namespace Firebird {
class IAttachment;
class ITransaction;
}  // namespace Firebird

namespace zpk {

class TTIDatabase;
class TTITransaction;

namespace detail {

// The engine transaction of a TTITransaction (see Connection's
// TransactionHandle); nullptr while none is active.
struct EngineTransaction {
  void* handle = nullptr;
};

// The Firebird attachment of `database`; raises EDatabaseError when it is not
// connected or not a Firebird database.
Firebird::IAttachment* engine_attachment(const TTIDatabase& database);

// The Firebird transaction of `transaction`, started when needed; raises
// EDatabaseError when it cannot be started or is not Firebird's.
Firebird::ITransaction* engine_transaction(TTITransaction& transaction);

}  // namespace detail
}  // namespace zpk
