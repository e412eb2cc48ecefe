#pragma once

#include <QImage>

// A 32-bit picture of `size` whose rows each begin on a cache line, in
// memory that the system may back with large pages where it offers them.
// A scope screen's picture is compared, cleared and copied in blocks of 16
// pixels, a cache line each when the rows are so aligned, and two when not.
// It is also read and written down its columns, a row apart: with the
// small pages, nearly every pixel touched lies on a page of its own, and
// each costs a lookup of the page.
QImage alignedPicture(QSize size);

// A copy of `picture` in such memory, its rows laid out as they are.
QImage alignedCopy(const QImage &picture);
