/* The C side: draws the splash picture through its header, next to the project's own int8. */
#include "img_2_splash.h"

#include <stddef.h>

static const int8 kBias = -1; /* the project's int8 is signed */

unsigned splash_checksum(void)
{
    unsigned sum = 0;
    for (size_t i = 0; i < IMG_2_SPLASH_SIZE; ++i)
        sum = sum * 31u + img_2_splash[i];
    return sum + (unsigned)(kBias + 1);
}
