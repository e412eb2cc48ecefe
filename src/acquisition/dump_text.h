#pragma once

#include <QString>

#include <span>

// "( 12, 0, 255)": every reading after a blank and followed by ",", the last
// "," replaced by ")". Built in one pass; empty readings give "(".
QString dumpText(std::span<const qint16> readings);
