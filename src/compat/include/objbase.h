// ole32: COM (declared with the other process calls).
#pragma once

#include <windows.h>
