#include "update/download_pin.h"
#include "update/update_plan.h"

const char *const downloadHost = QUORVEL_DOWNLOAD_HOST;
const char *const downloadSha256 = QUORVEL_DOWNLOAD_SHA256;
