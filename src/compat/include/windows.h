// The Win32 surface the services use, provided on Linux by our own stand-in.
// Names, types and values follow the Windows headers so that the services
// compile unchanged against either.
#pragma once

#include "win_kernel.h"
#include "win_process.h"
#include "win_types.h"
#include "win_user.h"
