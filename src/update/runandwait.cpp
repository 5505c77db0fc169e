#include "runandwait.h"
