#pragma once

#include <QCollator>

namespace jumelix {

// How the result lists order texts: by the user's locale, or, where that locale
// is C or POSIX and has no collation of its own, by the root Unicode collation
// rather than by code points (which would put "B" before "a" and "é" after "f").
QCollator TextCollator();

}  // namespace jumelix
