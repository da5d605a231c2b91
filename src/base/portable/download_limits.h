#pragma once

// How long a download waits on a server that does not answer. A working link
// never comes near these; a dead or stalled one must not hold the update.
constexpr long kConnectTimeLimitSeconds = 30;
// The transfer ends when no byte of the answer has come for this long.
constexpr long kStallLimitSeconds = 30;
// Redirects are followed this many times at most, and only to http and https.
constexpr long kRedirectLimit = 10;
