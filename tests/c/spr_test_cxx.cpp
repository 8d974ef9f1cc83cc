// The C test compiled as C++17: the header must build as either.
#include "spr_test.c"
