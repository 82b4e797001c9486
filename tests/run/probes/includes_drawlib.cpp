// Built only by the test that expects it to fail: the run floor must not
// reach the drawing library.
#include "drawlib/drawstuff.h"
