#include "Texts.h"

#include "FileComparison.h"

#include <QLocale>

#include <array>

namespace jumelix {

QString FromBytes(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QByteArray FileUrl(std::string_view path)
{
    const QByteArray bytes(path.data(), static_cast<qsizetype>(path.size()));
    return "file://" + bytes.toPercentEncoding("/");
}

QString Quoted(const QString& name)
{
    return QStringLiteral("«\u00a0%1\u00a0»").arg(name);
}

QString Quoted(std::string_view bytes)
{
    return Quoted(FromBytes(bytes));
}

namespace {

QString Figures(std::uint64_t number)
{
    return QLocale(QLocale::French).toString(static_cast<qulonglong>(number));
}

QString VerdictText(const ComparisonResult& result, const QString& first, const QString& second)
{
    const QString& file = result.File == 0 ? first : second;
    switch (result.Verdict) {
    case ComparisonVerdict::Unreadable:
        switch (result.Reason) {
        case UnreadableReason::AccessDenied:
            return QStringLiteral("%1 ne peut pas être lu\u00a0: accès refusé.").arg(file);
        case UnreadableReason::Gone:
            return QStringLiteral("%1 n'existe plus.").arg(file);
        case UnreadableReason::NotARegularFile:
            return QStringLiteral("%1 n'est pas un fichier ordinaire.").arg(file);
        default:
            return QStringLiteral("%1 ne peut pas être lu\u00a0: erreur de lecture.").arg(file);
        }
    case ComparisonVerdict::SameFile:
        return QStringLiteral("%1 et %2 sont le même fichier\u00a0: supprimer l'un supprime l'autre.")
            .arg(first, second);
    case ComparisonVerdict::Changed:
        return QStringLiteral("%1 a changé depuis le parcours (%2 octets au lieu de %3).")
            .arg(file, Figures(result.ActualSize), Figures(result.ExpectedSize));
    case ComparisonVerdict::Identical:
        return QStringLiteral("Contenus identiques\u00a0: %1 et %2.").arg(first, second);
    case ComparisonVerdict::Different:
        return QStringLiteral("Contenus différents\u00a0: %1 et %2 diffèrent à partir de l'octet %3.")
            .arg(first, second, Figures(result.FirstDifference));
    case ComparisonVerdict::Stopped:
        break;
    }
    return QStringLiteral("Comparaison interrompue.");
}

}  // namespace

QString LengthText(std::uint64_t rows)
{
    return Figures(rows) + (rows > 1 ? QStringLiteral(" lignes") : QStringLiteral(" ligne"));
}

QString ComparisonText(const ComparisonResult& result, const std::string& first,
                       const std::string& second)
{
    const std::array paths{first, second};
    QString text = VerdictText(result, Quoted(first), Quoted(second));
    for (std::size_t k = 0; k < paths.size(); ++k) {
        if (!result.LinkTargets[k].empty())
            text += QStringLiteral(" %1 est un lien symbolique vers %2.")
                        .arg(Quoted(paths[k]), Quoted(result.LinkTargets[k]));
    }
    return text;
}

QString ErrorBoxText(const QString& error)
{
    if (!error.isEmpty() && error.back().unicode() <= u'.')
        return error;
    return error + u'.';
}

}  // namespace jumelix
