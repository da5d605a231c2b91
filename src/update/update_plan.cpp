#include "update/update_plan.h"

UpdatePlan updatePlan;

const char *const downloadHost = QUORVEL_DOWNLOAD_HOST;
