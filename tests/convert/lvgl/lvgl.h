/* SPDX-License-Identifier: MIT
 * The parts of LVGL that an image file uses, declared from LVGL's headers for the tests, which
 * cannot build LVGL itself: lvgl.h, src/misc/lv_color.h and src/draw/lv_image_dsc.h (9.0:
 * lv_image_buf.h) of LVGL 9.0.0, 9.1.0, 9.2.0, 9.3.0, 9.4.0 and 9.5.0; lvgl.h and
 * src/draw/lv_img_buf.h of LVGL 8.3.11. Member order and bit-field widths are LVGL's (its
 * little-endian layouts). The version comes as -DLVGL_VERSION_MAJOR=9 -DLVGL_VERSION_MINOR=3, and
 * LVGL 8's LV_COLOR_DEPTH and LV_COLOR_16_SWAP (lv_conf.h's) as -D too. */
#ifndef PIXOLAN_TEST_LVGL_H
#define PIXOLAN_TEST_LVGL_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* lv_conf_internal.h gives both; an alignment shows that the map takes a real attribute. */
#define LV_ATTRIBUTE_MEM_ALIGN __attribute__((aligned(4)))
#define LV_ATTRIBUTE_LARGE_CONST

#if LVGL_VERSION_MAJOR == 9

#define LV_IMAGE_HEADER_MAGIC (0x19)

typedef enum {
    LV_COLOR_FORMAT_L8 = 0x06,
    LV_COLOR_FORMAT_I1 = 0x07,
    LV_COLOR_FORMAT_I4 = 0x09,
    LV_COLOR_FORMAT_I8 = 0x0A,
    LV_COLOR_FORMAT_RGB888 = 0x0F,
    LV_COLOR_FORMAT_ARGB8888 = 0x10,
    LV_COLOR_FORMAT_RGB565 = 0x12,
    LV_COLOR_FORMAT_RGB565A8 = 0x14,
#if LVGL_VERSION_MINOR >= 3
    LV_COLOR_FORMAT_RGB565_SWAPPED = 0x1B,
#endif
} lv_color_format_t;

typedef struct
{
    uint32_t magic : 8;
    uint32_t cf : 8;
    uint32_t flags : 16;
    uint32_t w : 16;
    uint32_t h : 16;
    uint32_t stride : 16;
    uint32_t reserved_2 : 16;
} lv_image_header_t;

typedef struct
{
    lv_image_header_t header;
    uint32_t data_size;
    const uint8_t *data;
#if LVGL_VERSION_MINOR >= 1
    const void *reserved;
#endif
#if LVGL_VERSION_MINOR >= 3
    const void *reserved_2;
#endif
} lv_image_dsc_t;

#define LV_IMAGE_DECLARE(var_name) extern const lv_image_dsc_t var_name

#elif LVGL_VERSION_MAJOR == 8

/* The values of LVGL's enum of colour formats. */
enum { LV_IMG_CF_TRUE_COLOR = 4, LV_IMG_CF_TRUE_COLOR_ALPHA = 5, LV_IMG_CF_INDEXED_1BIT = 7 };

typedef struct
{
    uint32_t cf : 5;
    uint32_t always_zero : 3;
    uint32_t reserved : 2;
    uint32_t w : 11;
    uint32_t h : 11;
} lv_img_header_t;

typedef struct
{
    lv_img_header_t header;
    uint32_t data_size;
    const uint8_t *data;
} lv_img_dsc_t;

#define LV_IMG_DECLARE(var_name) extern const lv_img_dsc_t var_name;

#endif

#ifdef __cplusplus
}
#endif

#endif
