#pragma once

#include <QObject>

#include <string>
#include <string_view>

class QWidget;

namespace jumelix {

// Hands files to the user's desktop without waiting on it: xdg-open opens a
// file, the file manager shows a file in its folder (ShowItems over D-Bus,
// xdg-open on the folder when no file manager answers), the clipboard takes
// its path. What goes wrong is told in an error box of `window`; nothing
// reaches the console.
class Desktop final : public QObject {
    Q_OBJECT

public:
    explicit Desktop(QWidget* window);
    ~Desktop() override;

    void OpenFile(const std::string& path);
    void ShowInFolder(const std::string& path);
    void CopyPath(const std::string& path);

private:
    bool exists(const std::string& path);
    void open(const std::string& path);
    void fail(const std::string& path, const QString& why);
    void tell(const QString& text);

    QWidget* window_;
};

}  // namespace jumelix
