// SPDX-License-Identifier: MIT
#include "convert/read/picture_sequence.h"

#include "convert/read/picture_checks.h"

#include <QFile>
#include <QImageReader>

namespace pixolan {
namespace {

// The options for a picture already turned and mirrored.
ExportOptions Upright(ExportOptions options)
{
    options.rotate = 0;
    options.flip = Flip::None;
    return options;
}

} // namespace

PictureSequence::PictureSequence() = default;
PictureSequence::~PictureSequence() = default;

std::unique_ptr<PictureSequence> PictureSequence::Of(const PictureSurface &surface)
{
    auto sequence = std::make_unique<PictureSequence>();
    sequence->m_single = &surface;
    sequence->m_count = 1;
    sequence->m_size = QSize(surface.Width(), surface.Height());
    return sequence;
}

Status PictureSequence::OpenPicture(const QString &path, const ExportOptions &options)
{
    if (Status loaded = m_surface.Load(path, options); !loaded)
        return loaded;
    m_single = &m_surface;
    m_count = 1;
    m_size = QSize(m_surface.Width(), m_surface.Height());
    return Status::Ok();
}

Status PictureSequence::OpenFrames(const QString &path, const ExportOptions &options)
{
    // The first frame is loaded as a single picture is, with every check of the file that that
    // makes (its size, a first frame cut short, ...), and gives the size of every frame.
    if (Status loaded = m_surface.Load(path, options); !loaded)
        return loaded;
    m_kind = Kind::Frames;
    m_path = path;
    m_options = options;
    m_size = QSize(m_surface.Width(), m_surface.Height());

    m_file = std::make_unique<QFile>(path);
    if (!m_file->open(QIODevice::ReadOnly))
        return Status::Failure(
            LoadFailure(path, QStringLiteral("cannot be read (%1)").arg(m_file->errorString())));
    QImageReader probe(m_file.get());
    const QByteArray format = probe.format();
    if (format == "gif") {
        // Every frame must be whole, up to the trailer. The delays are read here too: Qt 6.4's
        // reader reports each frame's delay only after reading the frame that follows it.
        const qint64 size = m_file->size();
        uchar *mapped = m_file->map(0, size);
        const QByteArray read = mapped || !m_file->seek(0) ? QByteArray() : m_file->readAll();
        const std::optional<std::vector<int>> delays =
            GifFrameDelays(mapped ? QByteArrayView(mapped, size) : QByteArrayView(read));
        if (mapped)
            m_file->unmap(mapped);
        if (!delays || delays->empty())
            return Status::Failure(LoadFailure(path, QStringLiteral("picture is cut short")));
        m_delays = *delays;
    } else if (probe.supportsAnimation() && probe.imageCount() > 1) {
        m_delays.assign(std::size_t(probe.imageCount()), -1); // filled in as the frames are read
    } else {
        m_delays = {0}; // a still picture: the surface holds its one frame
        m_single = &m_surface;
    }
    m_count = int(m_delays.size());
    return Status::Ok();
}

Status PictureSequence::OpenTiles(const QString &path, QSize tile, const ExportOptions &options)
{
    ExportOptions whole = options;
    whole.size = QSize();
    if (Status loaded = m_surface.Load(path, whole); !loaded)
        return loaded;
    m_sheet = m_surface.Image();
    m_surface = PictureSurface();
    if (m_sheet.width() % tile.width() != 0 || m_sheet.height() % tile.height() != 0)
        return Status::Failure(LoadFailure(
            path, QStringLiteral("the picture, %1 x %2 pixels, is not a whole number of %3 x %4 "
                                 "tiles")
                      .arg(m_sheet.width())
                      .arg(m_sheet.height())
                      .arg(tile.width())
                      .arg(tile.height())));
    m_kind = Kind::Tiles;
    m_path = path;
    m_options = Upright(options);
    m_tile = tile;
    m_count = (m_sheet.width() / tile.width()) * (m_sheet.height() / tile.height());
    m_size = options.size.isValid() ? options.size : tile;
    return Status::Ok();
}

Status PictureSequence::Load(int index, const PictureSurface **picture)
{
    if (m_single) {
        *picture = m_single;
        return Status::Ok();
    }
    if (m_kind == Kind::Tiles) {
        const int across = m_sheet.width() / m_tile.width();
        const QRect part(
            QPoint((index % across) * m_tile.width(), (index / across) * m_tile.height()), m_tile);
        if (!m_surface.SetImage(m_sheet.copy(part), m_options))
            return Status::Failure(
                LoadFailure(m_path, QStringLiteral("not enough memory to hold the picture")));
        *picture = &m_surface;
        return Status::Ok();
    }
    if (index < m_next || !m_reader) { // start again from the first frame
        if (!m_file->seek(0))
            return Status::Failure(LoadFailure(
                m_path, QStringLiteral("cannot be read (%1)").arg(m_file->errorString())));
        m_reader = std::make_unique<QImageReader>(m_file.get());
        m_reader->setAutoTransform(true);
        m_next = 0;
    }
    while (m_next <= index)
        if (Status read = ReadFrame(m_next++); !read)
            return read;
    *picture = &m_surface;
    return Status::Ok();
}

Status PictureSequence::ReadFrame(int index)
{
    QImage frame;
    if (!m_reader->read(&frame))
        return Status::Failure(LoadFailure(
            m_path, QStringLiteral("not a picture, or a damaged one (frame %1 of %2: %3)")
                        .arg(index + 1)
                        .arg(m_count)
                        .arg(m_reader->errorString())));
    if (m_delays[std::size_t(index)] < 0)
        m_delays[std::size_t(index)] = m_reader->nextImageDelay();
    if (!m_surface.SetImage(std::move(frame), m_options))
        return Status::Failure(
            LoadFailure(m_path, QStringLiteral("not enough memory to hold the picture")));
    if (m_surface.Width() != m_size.width() || m_surface.Height() != m_size.height())
        return Status::Failure(LoadFailure(
            m_path, QStringLiteral("not a picture, or a damaged one (frame %1 of %2 is %3 x %4 "
                                   "pixels, the first %5 x %6)")
                        .arg(index + 1)
                        .arg(m_count)
                        .arg(m_surface.Width())
                        .arg(m_surface.Height())
                        .arg(m_size.width())
                        .arg(m_size.height())));
    return Status::Ok();
}

} // namespace pixolan
