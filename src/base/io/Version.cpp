// Kept out of the header so that a version bump rebuilds one file, not every user of it.
#include "io/Version.h"

const char* KyrelVersion()
{
    return KYREL_VERSION;
}
