#include "fileproblem.h"

#include <QDir>
#include <QFileDevice>
#include <QFileInfo>

namespace {
// The system's text for `code`, as Qt reports it after a failed call.
QString systemText(std::errc code)
{
    return QString::fromStdString(std::generic_category().message(int(code)));
}
}  // namespace

QString fileProblemText(const QString& path, const QString& text)
{
    const QFileInfo info(path);
    const bool missing = text.isEmpty() || text == systemText(std::errc::no_such_file_or_directory);
    if (text == systemText(std::errc::is_a_directory) || (missing && info.isDir()))
        return QStringLiteral("это папка, а не файл");
    if (missing)
        return info.absoluteDir().exists() ? QStringLiteral("файла нет") : QStringLiteral("нет такой папки");
    const struct {
        std::errc code;
        const char* words;
    } known[] = {
        {std::errc::permission_denied, "нет прав на запись"},
        {std::errc::operation_not_permitted, "нет прав на запись"},
        {std::errc::no_space_on_device, "недостаточно места на диске"},
        {std::errc::read_only_file_system, "файловая система только для чтения"},
    };
    for (const auto& k : known)
        if (text == systemText(k.code))
            return QString::fromUtf8(k.words);
    return text;
}

QString fileProblemText(const QFileDevice& file)
{
    return fileProblemText(file.fileName(), file.errorString());
}

QString fileProblemText(const QString& path, std::errc code)
{
    return fileProblemText(path, systemText(code));
}
