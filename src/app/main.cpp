// The updater's entry point: runs the update once and always exits with 0.
#include "app/process_frame.h"

int main() { RunProcessFrame(); }
