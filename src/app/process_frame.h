#pragma once

// The whole run of the updater: prepares the process, starts the services,
// runs the update once, stops the services, releases the memory and ends the
// process with exit code 0. Never returns.
[[noreturn]] void RunProcessFrame();
