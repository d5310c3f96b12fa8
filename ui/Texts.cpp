#include "ui/Texts.h"

#include "files/FileComparison.h"
#include "search/ContentSearch.h"

#include <QLocale>
#include <QStringList>

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

// The words after "ne peut pas être ouvert :" or "ne peut pas être lu :".
const QString kAccessDenied = QStringLiteral("accès refusé");

QString Gone(const QString& named)
{
    return QStringLiteral("%1 n'existe plus.").arg(named);
}

QString VerdictText(const ComparisonResult& result, const QString& first, const QString& second)
{
    const QString& file = result.File == 0 ? first : second;
    switch (result.Verdict) {
    case ComparisonVerdict::Unreadable:
        switch (result.Reason) {
        case UnreadableReason::AccessDenied:
            return QStringLiteral("%1 ne peut pas être lu\u00a0: %2.").arg(file, kAccessDenied);
        case UnreadableReason::Gone:
            return Gone(file);
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

namespace {

// The singular for 0 and 1, as French counts.
QString Counted(std::uint64_t count, const QString& one, const QString& many)
{
    return (count > 1 ? many : one).arg(Figures(count));
}

}  // namespace

QString ContentSearchText(const ContentSummary& summary)
{
    QStringList sentences;
    if (summary.DuplicateFiles == 0) {
        sentences << QStringLiteral("Aucun fichier n'a de double au contenu identique.");
    } else {
        sentences << Counted(summary.DuplicateFiles, QStringLiteral("%1 fichier a un double au contenu identique."),
                             QStringLiteral("%1 fichiers ont un double au contenu identique."))
                  << Counted(summary.DuplicateBytes, QStringLiteral("%1 octet est en double."),
                             QStringLiteral("%1 octets sont en double."));
    }
    if (summary.Unreadable > 0)
        sentences << Counted(summary.Unreadable,
                             QStringLiteral("%1 fichier n'a pas pu être lu ou a changé depuis le parcours."),
                             QStringLiteral("%1 fichiers n'ont pas pu être lus ou ont changé depuis le parcours."));
    if (summary.Links > 0)
        sentences << Counted(summary.Links, QStringLiteral("%1 chemin mène à un fichier déjà compté (lien)."),
                             QStringLiteral("%1 chemins mènent à un fichier déjà compté (liens)."));
    if (summary.Empty > 0)
        sentences << Counted(summary.Empty, QStringLiteral("%1 fichier vide n'est pas comparé."),
                             QStringLiteral("%1 fichiers vides ne sont pas comparés."));
    return sentences.join(u' ');
}

QString WalkRefusalText()
{
    return QStringLiteral("Aucun dossier à parcourir\u00a0: indiquez un dossier.");
}

QString WalkRefusalText(const QString& folder, FolderCheck check)
{
    const QString named = Quoted(folder);
    switch (check) {
    case FolderCheck::Walkable:
        return {};
    case FolderCheck::Missing:
        return QStringLiteral("Le dossier %1 n'existe pas.").arg(named);
    case FolderCheck::NotAFolder:
        return QStringLiteral("%1 n'est pas un dossier.").arg(named);
    case FolderCheck::AccessDenied:
        return QStringLiteral("Le dossier %1 ne peut pas être ouvert\u00a0: %2.").arg(named, kAccessDenied);
    case FolderCheck::LinkLoop:
        return QStringLiteral("Le dossier %1 ne peut pas être ouvert\u00a0: trop de liens symboliques.")
            .arg(named);
    case FolderCheck::Unopenable:
        break;
    }
    return QStringLiteral("Le dossier %1 ne peut pas être ouvert.").arg(named);
}

QString WrongTypeText(std::string_view setting)
{
    return QStringLiteral("Type de données incorrect pour '%1'").arg(FromBytes(setting));
}

QString RowDescription(std::string_view path, std::string_view doublePath, bool byContents)
{
    return FromBytes(path) +
           (byContents ? QStringLiteral("\nMême contenu que\u00a0: ") : QStringLiteral("\nMême taille que\u00a0: ")) +
           FromBytes(doublePath);
}

QString GoneText(std::string_view path)
{
    return Gone(Quoted(path));
}

QString LauncherFailed(int code)
{
    return QStringLiteral("xdg-open a échoué (code %1)").arg(code);
}

QString OpenFailedText(std::string_view path, const QString& why)
{
    return QStringLiteral("%1 ne peut pas être ouvert\u00a0: %2.").arg(Quoted(path), why);
}

QString ErrorBoxText(const QString& error)
{
    if (!error.isEmpty() && error.back().unicode() <= u'.')
        return error;
    return error + u'.';
}

}  // namespace jumelix
