// Faults on demand, for tests of what a conversion leaves behind when the
// disk fails it. The file calls of this layer that open, read, write, flush,
// stamp, rename, delete, make or enter something (OpenPath, ReadFrom,
// WriteTo, Flush, SetTimes, MovePath, DeletePath, MakeFolder,
// EnterFolderNoLink, SetCurrentFolder, FindFirst) are counted while faults
// are armed; the chosen one fails with the chosen error number and does
// nothing. Calls that only ask (IsFolder, IsLink, SizeOf, GetTimes, the
// current folder, FindNext) and Close are not counted. Unarmed, a call pays
// one test of a flag.
//
// The same count can end the process: HOARD_HOARD_KILL_AT_CALL=n[:signal]
// in the environment (read once, when the program starts) sends the process
// the signal (9 unless given) just before its n-th counted call; a write
// chosen so puts the first half of its bytes on the disk first. The kill
// tests run the real program with it.
#pragma once

#include <cstdint>

namespace hoard::platform {

// Counts counted calls from zero; the `failAt`-th (from 1) fails with
// `error` (an errno value). failAt 0 only counts.
void ArmFaults(uint64_t failAt, int error);
// Stops counting and failing.
void DisarmFaults();
// Counted calls since ArmFaults.
uint64_t CountedFileCalls();

}  // namespace hoard::platform
