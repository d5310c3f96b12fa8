#include "Texts.h"

#include <QLocale>

namespace jumelix {

QString FromBytes(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString Quoted(const QString& name)
{
    return QStringLiteral("«\u00a0%1\u00a0»").arg(name);
}

QString Quoted(std::string_view bytes)
{
    return Quoted(FromBytes(bytes));
}

QString LengthText(std::uint64_t rows)
{
    return QLocale(QLocale::French).toString(static_cast<qulonglong>(rows)) +
           (rows > 1 ? QStringLiteral(" lignes") : QStringLiteral(" ligne"));
}

QString ErrorBoxText(const QString& error)
{
    if (!error.isEmpty() && error.back().unicode() <= u'.')
        return error;
    return error + u'.';
}

}  // namespace jumelix
