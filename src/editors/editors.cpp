#include "editors.h"
