#include "update/update_plan.h"

UpdatePlan updatePlan;
