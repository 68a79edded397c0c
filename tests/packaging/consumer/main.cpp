// The C++ side: the arrays by name, with their sizes from the headers.
#include "img_2_splash.h"
#include "logo.h"
#include "splash565.h"
#include "splash_lvgl.h"

#include <cstdio>

extern "C" unsigned splash_checksum(void);

static_assert(LOGO_WIDTH == 4 && LOGO_HEIGHT == 3 && LOGO_SIZE == 12);
static_assert(SPLASH565_SIZE == 8 && sizeof splash565 == SPLASH565_SIZE);
static_assert(IMG_2_SPLASH_WIDTH == 2 && IMG_2_SPLASH_HEIGHT == 2 &&
              sizeof img_2_splash == IMG_2_SPLASH_SIZE);

int main()
{
    // Red, green, blue and white on the logo's top row; the splash is black, white, grey, blue.
    const bool logo_ok = logo[0] == 0xE0 && logo[1] == 0x1C && logo[2] == 0x03 && logo[3] == 0xFF &&
                         logo[LOGO_SIZE - 1] == 0x00;
    const unsigned char shown[] = {0x00, 0xFF, 0x92, 0x01};
    unsigned expected = 0;
    for (unsigned char value : shown)
        expected = expected * 31u + value;
    const bool splash_ok = splash_checksum() == expected && splash565[0] == 0x0000 &&
                           splash565[1] == 0xFFFF && splash565[2] == 0x8410 &&
                           splash565[3] == 0x0008;
    // The LVGL image of the same splash: I8, the 256 colours' palette, then the same codes.
    bool lvgl_ok = splash_lvgl.header.cf == LV_COLOR_FORMAT_I8 && splash_lvgl.header.w == 2 &&
                   splash_lvgl.data_size == SPLASH_LVGL_SIZE && SPLASH_LVGL_SIZE == 1024 + 4;
    for (unsigned i = 0; i < 4 && lvgl_ok; ++i)
        lvgl_ok = splash_lvgl.data[1024 + i] == shown[i];
    std::printf("logo %s, splash %s, lvgl %s\n", logo_ok ? "ok" : "WRONG",
                splash_ok ? "ok" : "WRONG", lvgl_ok ? "ok" : "WRONG");
    return logo_ok && splash_ok && lvgl_ok ? 0 : 1;
}
