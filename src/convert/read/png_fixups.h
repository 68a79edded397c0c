// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArrayView>
#include <QIODevice>
#include <QImage>
#include <QString>

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace pixolan {

// What the loader does differently for a PNG that Qt 6.4 would read wrongly.
//
// A 16-bit truecolour PNG with a transparent colour (a tRNS chunk) is one: Qt stores its 6-byte
// pixels in an 8-byte-a-pixel image without adding alpha, so most pixels come out as stray samples
// or uninitialised memory. Such a picture is decoded with its tRNS chunks hidden from Qt, which
// then reads it as any other 16-bit PNG (16 bits a sample, QImage::Format_RGBX64); the pixels
// whose three samples equal the transparent colour exactly get alpha 0 afterwards. The picture
// goes on as Format_RGBA64, so its samples become 8 bits through the same conversion as every
// other 16-bit PNG, and transparency is laid over the background as for any other picture.
struct PngFixup
{
    struct Range
    {
        qint64 offset;
        qint64 length;
    };
    std::vector<Range> hidden;             // the tRNS chunks, in file order
    std::array<std::uint16_t, 3> key = {}; // the transparent colour: red, green, blue

    bool active() const { return !hidden.empty(); }
};

// Looks at an encoded PNG before it is decoded. Returns a reason to refuse it, or an empty string;
// fills `fixup` when the PNG needs one.
//
// A file that ends with a whole end chunk while an earlier chunk claims to run past the end is
// whole: a chunk length is damaged, and it is refused as damaged rather than as cut short.
QString InspectPng(QByteArrayView bytes, PngFixup *fixup);

// `source` (open for reading, holding the PNG from its start) as the decoder is to see it: without
// the fixup's hidden chunks. Opened, at position 0.
std::unique_ptr<QIODevice> WithoutHiddenChunks(QIODevice &source, const PngFixup &fixup);

// Gives the pixels of `image`, decoded through WithoutHiddenChunks(), whose samples equal the
// fixup's transparent colour alpha 0, leaving the image in Format_RGBA64. False when memory ran
// out.
[[nodiscard]] bool ApplyTransparentColour(QImage &image, const PngFixup &fixup);

// libpng, as Qt 6.4 uses it, reports a damaged PNG by printing "libpng error: <reason>" on
// standard error before Qt fails the read. While a capture lives, what is printed through the C
// library's `stderr` goes to memory instead (file descriptor 2 itself, where sanitizers report, is
// left alone). When it ends, libpng's last reason is stored in `*reason`, reworded where a plainer
// phrase exists ("bad CRC in IDAT" for "IDAT: CRC error"), and anything else that was printed
// meanwhile is passed on to standard error. Loads run on one thread at a time; other threads
// may print meanwhile, and the memory they print into is never freed under them.
class LibpngErrorCapture
{
public:
    explicit LibpngErrorCapture(QString *reason);
    ~LibpngErrorCapture();
    LibpngErrorCapture(const LibpngErrorCapture &) = delete;
    LibpngErrorCapture &operator=(const LibpngErrorCapture &) = delete;

private:
    QString *m_reason;
    std::FILE *m_previous = nullptr;
    std::FILE *m_memory = nullptr;
};

} // namespace pixolan
