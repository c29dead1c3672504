// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Lets GoogleTest print Qt strings readably in failure messages.
#include <QString>
#include <QStringList>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
