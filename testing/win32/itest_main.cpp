// The test executables' main, in a file of its own: a program of the test
// support with a main of its own (tools/screenshots.sh's window tool) links
// the library without it.
#include "testing/win32/harness.h"

int main(int argc, char** argv) { return itest::run_tests(argc, argv); }
