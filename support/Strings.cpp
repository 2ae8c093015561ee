#include "Strings.h"
