/* The C side: draws the splash picture through its header. */
#include "splash.h"

#include <stddef.h>

unsigned splash_checksum(void)
{
    unsigned sum = 0;
    for (size_t i = 0; i < SPLASH_SIZE; ++i)
        sum = sum * 31u + splash[i];
    return sum;
}
