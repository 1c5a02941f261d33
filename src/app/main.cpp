// The program's entry: everything it does without a window lives in the batch layer.
#include "batch/batch_program.h"

int main(int argc, char** argv) { return varnix::run_batch_program(argc, argv); }
