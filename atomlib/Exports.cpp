// The exported C interface of the library.
#include "kelvane.h"

extern "C" {

KEL_API const char* KelGetVersion(void) {
    return "KEL Build 8";
}

} // extern "C"
