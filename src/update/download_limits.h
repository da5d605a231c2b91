#pragma once

// How long a download waits on a server that does not answer. A working link
// never comes near these; a dead or stalled one must not hold the update.
constexpr long kConnectTimeLimitSeconds = 30;
// The transfer ends when the server has given no sign of life for this long,
// also before its first byte.
constexpr long kStallLimitSeconds = 30;
// Redirects are followed this many times at most, and only to http and https.
constexpr long kRedirectLimit = 10;
