// The command's exit statuses.
#pragma once

namespace meridel::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;  // 128 + SIGINT, as shells report it

// What a run in which `failed` clips failed exits with; `signal` is the
// signal that stopped it, 0 for none.
constexpr int ExitStatusOf(int failed, int signal) {
  if (signal != 0) return 128 + signal;
  return failed > 0 ? kExitFailure : kExitSuccess;
}

}  // namespace meridel::cli
