#include "update/resolve_update_plan.h"
#include "update/update_plan.h"

int main() {
  updatePlan = UpdatePlan{};
  ResolveUpdatePlan();
  return 0;
}
