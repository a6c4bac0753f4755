#include "tests/support/FaultyFileSystem.h"

namespace quillet::testing {

platform::Status FaultyFileSystem::Around(FsCall& call,
                                          const std::function<platform::Status()>& real) {
  platform::Status injected;
  for (Armed& armed : faults_) {
    const Fault& fault = armed.fault;
    if (fault.op != call.op || !call.path.ends_with(fault.path_suffix)) continue;
    if (call.op == FsOp::kOpen && !fault.any_mode && *call.mode != fault.mode) continue;
    if (++armed.seen == fault.nth && injected) injected = platform::Status::Failure(fault.error);
  }
  if (injected) return real();
  // A failing close still releases the file, as a real one does.
  if (call.op == FsOp::kClose) real();
  return injected;
}

}  // namespace quillet::testing
