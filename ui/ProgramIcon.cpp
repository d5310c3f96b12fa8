#include "ui/ProgramIcon.h"

#include <QDirIterator>

namespace jumelix {

QIcon ProgramIcon()
{
    QIcon icon;
    QDirIterator sizes(QStringLiteral(":/icons"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (sizes.hasNext()) {
        icon.addFile(sizes.next() + QStringLiteral("/jumelix.png"));
    }
    return icon;
}

}  // namespace jumelix
