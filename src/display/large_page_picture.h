#pragma once

#include <QImage>

// A 32-bit picture of `size` in memory that the system may back with large
// pages, where it offers them. A scope screen's picture is read and written
// down its columns, a row apart: with the small pages, nearly every pixel
// touched lies on a page of its own, and each costs a lookup of the page.
// Elsewhere an ordinary picture.
QImage largePagePicture(QSize size);
