#include "TextHooks.h"

ZTextHooks& TextHooks() {
    static ZTextHooks hooks;
    return hooks;
}
