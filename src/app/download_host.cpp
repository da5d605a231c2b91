#include "update/update_plan.h"

const char *const downloadHost = QUORVEL_DOWNLOAD_HOST;
