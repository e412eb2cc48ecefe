#pragma once

#include <QString>

inline const QString kProductName = QStringLiteral("Tarnwick");
inline const QString kProductWebAddress = QStringLiteral("https://tarnwick.example.org");
