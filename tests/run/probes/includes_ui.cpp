// Built only by the test that expects it to fail: the run floor must not
// reach the window's world record.
#include "ui/world.h"
