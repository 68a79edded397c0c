// SPDX-License-Identifier: MIT
#pragma once

#include "convert/export_options.h"
#include "convert/read/picture_surface.h"
#include "convert/status.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <memory>
#include <vector>

class QFile;
class QImageReader;

namespace pixolan {

// The pictures an export writes one after another into one array: one picture, every frame of
// an animation, or the tiles of a sheet. They are made the sequence's surface one at a time, in
// order, so that memory does not grow with their number; each is handled as a single picture is
// (background, rotation and mirroring, size), and all have the same size.
class PictureSequence
{
public:
    enum class Kind {
        Single, // one picture, written as ever
        Frames, // the frames of an animation, each with its delay
        Tiles,  // a sheet cut into tiles
    };

    PictureSequence();
    ~PictureSequence();
    PictureSequence(const PictureSequence &) = delete;
    PictureSequence &operator=(const PictureSequence &) = delete;

    // A sequence of the one picture already on `surface`, which must outlive the sequence.
    static std::unique_ptr<PictureSequence> Of(const PictureSurface &surface);

    // The picture at `path` as a load makes it.
    Status OpenPicture(const QString &path, const ExportOptions &options);
    // Every frame of the picture at `path`, each the whole canvas as it shows after that frame;
    // a still picture gives one frame. A GIF must be whole up to its trailer.
    Status OpenFrames(const QString &path, const ExportOptions &options);
    // The picture at `path`, turned and mirrored, cut into tiles of `tile` pixels, left to right
    // then top to bottom, each then resized on its own when the options give a size. A picture
    // that is not a whole number of tiles is refused.
    Status OpenTiles(const QString &path, QSize tile, const ExportOptions &options);

    Kind kind() const { return m_kind; }
    int Count() const { return m_count; }
    // Every picture's size, as the export writes it.
    int Width() const { return m_size.width(); }
    int Height() const { return m_size.height(); }
    // Each frame's delay in milliseconds (Kind::Frames only).
    const std::vector<int> &Delays() const { return m_delays; }

    // Makes picture `index` (0 to Count() - 1) the surface's picture and gives the surface. Asked
    // in order, each picture is decoded once; going back starts again from the first.
    Status Load(int index, const PictureSurface **picture);

private:
    Status ReadFrame(int index);

    Kind m_kind = Kind::Single;
    QString m_path;
    ExportOptions m_options;
    int m_count = 0;
    QSize m_size;
    std::vector<int> m_delays;
    const PictureSurface *m_single = nullptr;
    PictureSurface m_surface;
    // Frames: the reader, and the index of the frame it reads next.
    std::unique_ptr<QFile> m_file;
    std::unique_ptr<QImageReader> m_reader;
    int m_next = 0;
    // Tiles: the whole sheet, turned and mirrored, and the tile's size in it.
    QImage m_sheet;
    QSize m_tile;
};

} // namespace pixolan
