#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string>
#include <string_view>

namespace jumelix {

struct ComparisonResult;
struct ContentSummary;

// The program's texts for the user, in French (Qt Core only).

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

// An error's text as the error box shows it: a full stop is added unless the
// last character's code is at or below that of ".".
QString ErrorBoxText(const QString& error);

}  // namespace jumelix
