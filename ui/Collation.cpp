#include "ui/Collation.h"

#include <QLocale>

namespace jumelix {

QCollator TextCollator()
{
    QCollator collator;
    if (collator.locale().language() != QLocale::C)
        return collator;
    // English has no tailoring: its collation is the root one.
    return QCollator(QLocale(QLocale::English));
}

}  // namespace jumelix
