#pragma once

#include "catalogue/FileEnumeration.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <string>
#include <string_view>

namespace jumelix {

struct ComparisonResult;
struct ContentSummary;

// The program's texts for the user, in French (Qt Core only).

// Fixed texts, by where the user reads them.
namespace text {
// The steps' closing messages, and the start folder's.
inline const QString WalkStopped = QStringLiteral("Parcours interrompu.");
inline const QString WalkCompleted = QStringLiteral("Parcours terminé.");
inline const QString SearchStopped = QStringLiteral("Recherche interrompue.");
inline const QString SearchCompleted = QStringLiteral("Recherche terminée.");
inline const QString DocumentsError = QStringLiteral("Erreur Mes documents");
// Message box captions; the others are the program's title.
inline const QString InformationCaption = QStringLiteral("Information");
inline const QString WarningCaption = QStringLiteral("Avertissement");
// A result list, its columns and its row menu.
inline const QStringList ColumnTitles{QStringLiteral("Dossiers"), QStringLiteral("Fichiers"),
                                      QStringLiteral("Taille (en octets)")};
inline const QString RowMenu = QStringLiteral("Menu de la ligne");
inline const QString OpenFile = QStringLiteral("Ouvrir le &fichier");
inline const QString ShowInFolder = QStringLiteral("Ouvrir le &dossier");
inline const QString CopyPath = QStringLiteral("&Copier le chemin");
inline const QString GoToDouble = QStringLiteral("&Aller à son double");
inline const QString CompareWithDouble = QStringLiteral("Co&mparer avec son double");
// The folder field and its dialog.
inline const QString Browse = QStringLiteral("Parcourir");
inline const QString FolderDialogTitle = QStringLiteral("Sélection du répertoire");
inline const QString FolderName = QStringLiteral("&Nom de répertoire :");
inline const QString Folders = QStringLiteral("&Répertoires :");
inline const QString Ok = QStringLiteral("OK");
inline const QString Cancel = QStringLiteral("Annuler");
// Why xdg-open did not open a file.
inline const QString LauncherMissing = QStringLiteral("xdg-open est introuvable");
inline const QString LauncherCrashed = QStringLiteral("xdg-open s'est arrêté anormalement");
}  // namespace text

// A text of the file system or the catalogue (UTF-8 bytes) as shown text.
QString FromBytes(std::string_view text);

// A path as a file URL, every byte but the unreserved ones and "/"
// percent-encoded, so that a name that is not UTF-8 still names its file.
QByteArray FileUrl(std::string_view path);

// A name or path as the program's messages quote it: «\u00a0name\u00a0».
QString Quoted(const QString& name);
QString Quoted(std::string_view bytes);

// "1 ligne", "4 050 140 lignes": French grouping, and the singular below 2.
QString LengthText(std::uint64_t rows);

// What a comparison of `first` with `second` found, as its box tells it,
// with a sentence for each of the two that is a symbolic link.
QString ComparisonText(const ComparisonResult& result, const std::string& first,
                       const std::string& second);

// What a completed search by contents found, then what it left out and why,
// a sentence each, only when there is something to say.
QString ContentSearchText(const ContentSummary& summary);

// Why step 1 cannot walk `folder`, as the user is told; an empty folder
// field is refused before it is checked.
QString WalkRefusalText(const QString& folder, FolderCheck check);
QString WalkRefusalText();

// A setting of the start folder that is not text.
QString WrongTypeText(std::string_view setting);

// A row's tooltip and description: its path, then its double's.
QString RowDescription(std::string_view path, std::string_view doublePath, bool byContents);

// What the user is told when a file of a row cannot be opened.
QString GoneText(std::string_view path);
QString LauncherFailed(int code);
QString OpenFailedText(std::string_view path, const QString& why);

// An error's text as the error box shows it: a full stop is added unless the
// last character's code is at or below that of ".".
QString ErrorBoxText(const QString& error);

}  // namespace jumelix
