#pragma once
// Exit statuses of the program, which batch mode gives from the outcomes of its commands.

namespace batch {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;   // a command reported a failure
inline constexpr int kExitNoBoard = 2;   // no board was found
inline constexpr int kExitBadUsage = 3;  // bad options or a bad batch: nothing was run

}  // namespace batch
