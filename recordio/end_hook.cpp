// A way back out of the layer's ends of run, for builds that drive the layer in-process.
#include "recordio/end_hook.h"

namespace recordio::detail {

#ifdef RECORDIO_END_HOOK
namespace {
end_hook installed = nullptr;
}  // namespace

void set_end_hook(end_hook hook) noexcept {
  installed = hook;
}

void run_end_hook() noexcept {
  if (installed != nullptr) installed();
}
#else
void set_end_hook(end_hook) noexcept {}
void run_end_hook() noexcept {}
#endif

}  // namespace recordio::detail
