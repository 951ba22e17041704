// SPDX-License-Identifier: GPL-3.0-or-later
// How many threads an export puts to work: one number, set once (the
// command line's --threads, tests, benchmarks), that the frame composers
// and the GIF encoders both follow. An export's output is the same for any
// number.
#pragma once

namespace kt58 {

// The count set, else one per core (at least 1).
unsigned WorkerThreads();
// 0 brings back one per core.
void SetWorkerThreads(unsigned count);

}  // namespace kt58
