#include "environment_block.h"

#include "process.h"

void environment_block::WithholdBlocks(bool withhold) { withheld = withhold; }

int environment_block::BlocksHeld() { return held; }
