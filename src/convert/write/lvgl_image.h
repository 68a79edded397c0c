// SPDX-License-Identifier: MIT
#pragma once

#include "convert/export_options.h"
#include "convert/status.h"

#include <QString>

#include <optional>

class QIODevice;

namespace pixolan {

class PictureSequence;
class PictureSurface;

// Images for the LVGL graphics library (options.lvgl 9 or 8): C source that defines the map
// `NAME_map` and the descriptor `NAME` (an lv_image_dsc_t of LVGL 9, an lv_img_dsc_t of LVGL 8),
// or with options.binary LVGL's binary image file (its header, then the map). The map is the
// palette of an indexed colour format (B, G, R, 0xFF an entry, the colours the preview shows),
// then one row after the other, then for RGB565A8 one alpha byte a pixel:
//
//   LVGL 9   rgb565 RGB565 (RGB565A8 with alpha), rgb565be RGB565_SWAPPED (9.3 on),
//            rgb888 RGB888 as B, G, R (ARGB8888 with alpha: B, G, R, A), gray8 L8,
//            rgb332 I8 (behind a palette of its 256 colours), gray4 I4, mono I1
//   LVGL 8   rgb332, rgb565, rgb565be TRUE_COLOR (TRUE_COLOR_ALPHA with alpha: each pixel's
//            colour bytes, then its alpha), mono INDEXED_1BIT
//
// The source includes LVGL as LVGL's own images do, and stops the build with #error when LVGL's
// version or colour settings do not draw the map as it was made. It compiles as C and as C++.

// Why the options cannot make an LVGL image (or keep alpha), nothing when they can: a usage error.
std::optional<QString> LvglOptionsProblem(const ExportOptions &options);

// Writes the image's source text (or, with options.binary, LVGL's binary file) to `device`.
// Fails, writing nothing, for options that LvglOptionsProblem() refuses and when the surface is
// larger than the version's header can hold (LVGL 8: 2047 pixels a side; LVGL 9: a row of 65535
// bytes).
Status WriteLvglImage(const PictureSurface &surface, QIODevice &device, const QString &name,
                      const ExportOptions &options);

// The header: NAME_WIDTH, NAME_HEIGHT, for LVGL 9 NAME_STRIDE, NAME_SIZE (the map's bytes, the
// descriptor's data_size) and, for the source, LVGL's include and the descriptor's declaration,
// which LV_IMAGE_DECLARE(NAME) (LV_IMG_DECLARE in LVGL 8) may repeat.
Status WriteLvglHeader(const PictureSurface &surface, QIODevice &device, const QString &name,
                       const ExportOptions &options);

// The same for a sequence: one picture as above; frames and tiles as one image each, NAME_0,
// NAME_1, ..., then NAME_frames[], the list lv_animimg_set_src() takes, and for frames
// NAME_delays[] (milliseconds); their header adds NAME_FRAMES and NAME_FRAME_SIZE (the bytes of
// one map; NAME_SIZE is all of them) and declares them all. With options.binary, LVGL's file of
// the first picture alone (the command line refuses binary sequences).
Status WriteLvglImages(PictureSequence &pictures, QIODevice &device, const QString &name,
                       const ExportOptions &options);
Status WriteLvglHeader(PictureSequence &pictures, QIODevice &device, const QString &name,
                       const ExportOptions &options);

} // namespace pixolan
