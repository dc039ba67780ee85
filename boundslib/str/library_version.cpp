#include "bounds_checked.h"

BOUNDS_API const char *get_library_version(unsigned short *versionOut) {
    static constexpr char BANNER[] = "boundslib 5.10 (bounds-checked C runtime)";
    if (versionOut != nullptr) *versionOut = LIBRARY_VERSION_NUMBER;
    return BANNER;
}
