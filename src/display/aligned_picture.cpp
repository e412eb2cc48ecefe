#include "aligned_picture.h"

#include <cstring>
#include <new>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#endif

namespace {

constexpr std::size_t kCacheLine = 64;
#ifdef Q_OS_LINUX
constexpr std::size_t kLargePage = std::size_t(2) << 20;
#endif

template<std::size_t alignment>
QImage pictureIn(std::size_t bytes, QSize size, qsizetype bytesPerLine, QImage::Format format)
{
    void *const memory = ::operator new(bytes, std::align_val_t(alignment), std::nothrow);
    if (!memory) // as the toolkit's own when memory is short: null
        return QImage();
#ifdef Q_OS_LINUX
    if constexpr (alignment == kLargePage)
        ::madvise(memory, bytes, MADV_HUGEPAGE); // a hint: refused, the pages stay small
#endif
    QImage picture(static_cast<uchar *>(memory), size.width(), size.height(), bytesPerLine, format,
                   [](void *pixels) { ::operator delete(pixels, std::align_val_t(alignment)); }, memory);
    // A size the toolkit refuses, such as one of no pixels, leaves the
    // memory ours: the image is null and never hands it back.
    if (picture.isNull())
        ::operator delete(memory, std::align_val_t(alignment));
    return picture;
}

QImage allocatedPicture(QSize size, qsizetype bytesPerLine, QImage::Format format)
{
    const std::size_t bytes = std::size_t(bytesPerLine) * std::size_t(size.height());
#ifdef Q_OS_LINUX
    // Below a large page, large pages gain nothing; above, whole ones.
    if (bytes >= kLargePage)
        return pictureIn<kLargePage>((bytes + kLargePage - 1) / kLargePage * kLargePage, size, bytesPerLine, format);
#endif
    return pictureIn<kCacheLine>(bytes, size, bytesPerLine, format);
}

} // namespace

QImage alignedPicture(QSize size)
{
    size = size.expandedTo(QSize(0, 0));
    const auto line = qsizetype(kCacheLine);
    // An odd number of lines to a row: a column then meets every set of the
    // caches in turn. A row of a power of two times a few lines would meet
    // only a few sets, and a walk down a column would evict itself.
    const qsizetype lines = (qsizetype(size.width()) * 4 + line - 1) / line | 1;
    return allocatedPicture(size, lines * line, QImage::Format_RGB32);
}

QImage alignedCopy(const QImage &from)
{
    if (from.isNull())
        return from;
    QImage to = allocatedPicture(from.size(), from.bytesPerLine(), from.format());
    if (!to.isNull())
        std::memcpy(to.bits(), from.constBits(), size_t(from.sizeInBytes()));
    to.setDevicePixelRatio(from.devicePixelRatio());
    return to;
}
