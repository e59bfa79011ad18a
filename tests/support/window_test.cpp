// The window test base's meta-object, compiled once for every window test.
#include "window_test.h"
