// A way back out of the layer's ends of run, for builds that drive the layer in-process.
//
// The error report ends the process through abort() and STOP through exit(). A harness that
// feeds the layer one hostile input after another in the same process (the fuzz targets)
// installs a hook that jumps back to it instead. Only builds that define RECORDIO_END_HOOK
// carry the hook; everywhere else run_end_hook() does nothing and the ends of run are as
// they always were.
#pragma once

namespace recordio::detail {

// Called after the error report has closed all units, or after STOP has closed them, in
// place of abort() or exit(). It must not return (it longjmps back to the harness), and
// the harness must reconnect the units it uses before the next statement.
using end_hook = void (*)();

// Installs `hook` (nullptr removes it). Has no effect unless RECORDIO_END_HOOK is defined.
void set_end_hook(end_hook hook) noexcept;

// Calls the installed hook, if any; returns when there is none.
void run_end_hook() noexcept;

}  // namespace recordio::detail
