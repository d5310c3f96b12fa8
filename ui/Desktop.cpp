#include "ui/Desktop.h"

#include "ui/Messages.h"
#include "ui/Texts.h"

#include <QApplication>
#include <QClipboard>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QFile>
#include <QMimeData>
#include <QProcess>
#include <QWidget>

#include <sys/stat.h>

#include <cerrno>

namespace jumelix {
namespace {

constexpr int kFileManagerTimeoutMs = 1000;

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
}

// A path as xdg-open takes it: as is when it reads as text, else as a URL.
QString Argument(const std::string& path)
{
    const QByteArray bytes(path.data(), static_cast<qsizetype>(path.size()));
    const QString text = QFile::decodeName(bytes);
    return QFile::encodeName(text) == bytes ? text : QString::fromLatin1(FileUrl(path));
}

}  // namespace

Desktop::Desktop(QWidget* window) : QObject(window), window_(window) {}

// A launcher still running when the program ends is left to finish: killing
// it could close what it opened.
Desktop::~Desktop()
{
    for (QProcess* launcher : findChildren<QProcess*>(Qt::FindDirectChildrenOnly)) {
        launcher->disconnect(this);
        launcher->setParent(nullptr);
    }
}

void Desktop::OpenFile(const std::string& path)
{
    if (exists(path))
        open(path);
}

void Desktop::ShowInFolder(const std::string& path)
{
    if (!exists(path))
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return open(FolderOf(path));
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QString::fromLatin1(FileUrl(path))} << QString();
    auto* answer = new QDBusPendingCallWatcher(bus.asyncCall(call, kFileManagerTimeoutMs), this);
    connect(answer, &QDBusPendingCallWatcher::finished, this, [this, answer, path] {
        answer->deleteLater();
        if (answer->isError())
            open(FolderOf(path));
    });
}

// Both the text and a file URL, so that a name that is not UTF-8 still
// pastes as its file.
void Desktop::CopyPath(const std::string& path)
{
    auto* data = new QMimeData;
    data->setText(FromBytes(path));
    data->setData(QStringLiteral("text/uri-list"), FileUrl(path));
    QApplication::clipboard()->setMimeData(data);
}

bool Desktop::exists(const std::string& path)
{
    struct stat st {};
    if (stat(path.c_str(), &st) == 0 || (errno != ENOENT && errno != ENOTDIR))
        return true;
    tell(GoneText(path));
    return false;
}

void Desktop::open(const std::string& path)
{
    auto* launcher = new QProcess(this);
    launcher->setStandardInputFile(QProcess::nullDevice());
    launcher->setStandardOutputFile(QProcess::nullDevice());
    launcher->setStandardErrorFile(QProcess::nullDevice());
    connect(launcher, &QProcess::errorOccurred, this, [this, launcher, path](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        launcher->deleteLater();
        fail(path, text::LauncherMissing);
    });
    connect(launcher, &QProcess::finished, this,
            [this, launcher, path](int code, QProcess::ExitStatus status) {
                launcher->deleteLater();
                if (status == QProcess::CrashExit)
                    fail(path, text::LauncherCrashed);
                else if (code != 0)
                    fail(path, LauncherFailed(code));
            });
    launcher->start(QStringLiteral("xdg-open"), {Argument(path)});
}

void Desktop::fail(const std::string& path, const QString& why)
{
    tell(OpenFailedText(path, why));
}

void Desktop::tell(const QString& text)
{
    ShowMessage(window_->window(), MessageKind::Error, text);
}

}  // namespace jumelix
