#include "edswriter.h"
