// The process-wide force-scalar switch. It is looked up once per process
// from the environment and is false whatever the environment holds: the
// depth-first search copies it into each search's state, where it would
// select an alternative candidate screening that this build does not carry.
#pragma once

namespace vdz {

// Name of the environment variable consulted once per process.
inline constexpr const char* FORCE_SCALAR_VARIABLE = "RARODU_VIDO_VORAZ_UROZEV";

// Initialised by the first reader of the process; any thread may read it.
bool force_scalar_enabled();

}  // namespace vdz
