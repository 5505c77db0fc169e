#include "configurationimage.h"
