#include "large_page_picture.h"

#include <algorithm>

#ifdef Q_OS_LINUX
#include <cstdlib>

#include <sys/mman.h>
#endif

QImage largePagePicture(QSize size)
{
#ifdef Q_OS_LINUX
    constexpr size_t kLargePage = size_t(2) << 20;
    const qsizetype bytesPerLine = qsizetype(std::max(size.width(), 0)) * 4;
    const size_t bytes = size_t(bytesPerLine) * size_t(std::max(size.height(), 0));
    // Below a page, large pages gain nothing.
    if (bytes >= kLargePage) {
        const size_t whole = (bytes + kLargePage - 1) / kLargePage * kLargePage;
        if (void *memory = std::aligned_alloc(kLargePage, whole)) {
            ::madvise(memory, whole, MADV_HUGEPAGE); // a hint: refused, the pages stay small
            return QImage(static_cast<uchar *>(memory), size.width(), size.height(), bytesPerLine,
                          QImage::Format_RGB32, [](void *pixels) { std::free(pixels); }, memory);
        }
    }
#endif
    return QImage(size, QImage::Format_RGB32);
}
