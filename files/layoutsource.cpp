#include "layoutsource.h"
#include "hexcodes.h"

#include "buttonviewfile.h"
#include "fileio.h"
#include "filemessages.h"
#include "keymapfile.h"
#include "keynames.h"
#include "layoutcsv.h"
#include "layoutjson.h"

#include <QFileInfo>

namespace {

void loadKeymap(const QByteArray& bytes, LayoutFile& file)
{
    file.format = QStringLiteral("kmp");
    const KeymapFileCheck check = checkKeymapFile(bytes);
    if (check.status == KeymapFileCheck::TooShort) {
        file.problems << QStringLiteral("%1: в файле %2 байт, карта сканкодов занимает %3")
                             .arg(MsgFormatError).arg(check.size).arg(KeymapFileSize);
        return;
    }
    if (check.status == KeymapFileCheck::BadChecksum)
        file.problems << QStringLiteral("%1: по байтам 0..879 получается %2, в байте 880 записано %3")
                             .arg(MsgChecksumError, hexCode0x(check.expectedChecksum), hexCode0x(check.storedChecksum));
    if (check.badSlot >= 0) {
        const TKeySlot k = KeySlots[check.badSlot];
        const QString owner = k.isKey() ? QStringLiteral("клавиша ") + keyPlaceText(k.col, k.row)
                                        : QStringLiteral("не занят клавишей");
        file.problems << QStringLiteral("%1: слот %2 (%3), количество %4")
                             .arg(MsgBadCodeCount).arg(check.badSlot).arg(owner).arg(check.badCount);
    }
    if (!check.ok())
        return;
    file.notes << QStringLiteral("контрольная сумма: %1").arg(hexCode0x(check.storedChecksum));
    file.model = std::make_unique<KeyMapImgClass>();
    decodeKeymapFile(bytes, *file.model);
}

void loadButtonView(const QByteArray& bytes, LayoutFile& file)
{
    file.format = QStringLiteral("btv");
    const ButtonViewFileCheck check = checkButtonViewFile(bytes);
    if (check.status == ButtonViewFileCheck::TooShort) {
        file.problems << QStringLiteral("%1: в файле %2 байт, макет раскладки занимает %3")
                             .arg(MsgFormatError).arg(check.size).arg(ButtonViewFileSize);
        return;
    }
    if (check.status == ButtonViewFileCheck::BadMark)
        file.problems << QStringLiteral("%1: метка по смещению %2 равна 0x%3, ожидается 0x%4")
                             .arg(MsgFormatError)
                             .arg(BtvOffset::Mark)
                             .arg(uint32_t(check.mark), 8, 16, QChar('0'))
                             .arg(uint32_t(ButtonViewMark), 8, 16, QChar('0'));
    if (check.badKey.x() >= 0)
        file.problems << QStringLiteral("%1: клавиша %2, количество %3")
                             .arg(MsgBadCodeCount, keyPlaceText(check.badKey.x(), check.badKey.y())).arg(check.badCount);
    if (!check.ok())
        return;
    file.model = std::make_unique<KeyMapImgClass>();
    loadButtonViewFile(bytes, *file.model);
}

void loadCsv(const QByteArray& bytes, LayoutFile& file)
{
    file.format = QStringLiteral("btv");
    if (bytes.size() > MaxJsonLayoutBytes) {
        file.problems << QStringLiteral("файл больше %1 байт, это не раскладка").arg(MaxJsonLayoutBytes);
        return;
    }
    QString error;
    file.model = layoutFromCsv(bytes, &error);
    if (!file.model)
        file.problems << error;
}

void loadJson(const QByteArray& bytes, LayoutFile& file)
{
    if (bytes.size() > MaxJsonLayoutBytes) {
        file.problems << QStringLiteral("файл больше %1 байт, это не раскладка").arg(MaxJsonLayoutBytes);
        return;
    }
    QString error;
    file.model = layoutFromJson(bytes, &error, &file.format);
    if (!file.model)
        file.problems << error;
}
}  // namespace

LayoutKind layoutKindOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("kmp"))
        return LayoutKind::Keymap;
    if (suffix == QLatin1String("btv"))
        return LayoutKind::ButtonView;
    if (suffix == QLatin1String("json"))
        return LayoutKind::Json;
    if (suffix == QLatin1String("csv"))
        return LayoutKind::Csv;
    return LayoutKind::Unknown;
}

qint64 layoutReadLimit(LayoutKind kind)
{
    switch (kind) {
    case LayoutKind::Keymap: return KeymapFileSize;
    case LayoutKind::ButtonView: return ButtonViewFileSize;
    case LayoutKind::Json:
    case LayoutKind::Csv: return MaxJsonLayoutBytes + 1;
    case LayoutKind::Unknown: break;
    }
    return 0;
}

LayoutFile loadLayoutFile(const QString& path)
{
    LayoutFile file;
    file.kind = layoutKindOf(path);
    if (file.kind == LayoutKind::Unknown) {
        file.problems << QStringLiteral("тип файла не понятен по имени: ожидается .kmp, .btv, .json или .csv");
        return file;
    }
    if (const QString reason = notRegularFileReason(path); !reason.isEmpty()) {
        file.problems << QStringLiteral("не удалось открыть файл: ") + reason;
        return file;
    }
    const qint64 limit = layoutReadLimit(file.kind);
    QByteArray bytes;
    QString error;
    if (!readFileHead(path, limit, bytes, &error)) {
        file.problems << error;
        return file;
    }
    const QFileInfo info(path);
    file.fileSize = info.isFile() ? info.size() : -1;
    // The editor reads a fixed record from the start and ignores what follows, such as
    // the tail a shorter save left over a longer file.
    if (file.kind != LayoutKind::Json && file.kind != LayoutKind::Csv && file.fileSize > limit)
        file.notes << QStringLiteral("в файле %1 байт: читаются первые %2, остальные %3 не используются")
                          .arg(file.fileSize).arg(limit).arg(file.fileSize - limit);
    switch (file.kind) {
    case LayoutKind::Keymap:
        loadKeymap(bytes, file);
        break;
    case LayoutKind::ButtonView:
        loadButtonView(bytes, file);
        break;
    case LayoutKind::Json:
        loadJson(bytes, file);
        break;
    case LayoutKind::Csv:
        loadCsv(bytes, file);
        break;
    case LayoutKind::Unknown:
        break;
    }
    return file;
}

bool saveLayoutFile(KeyMapImgClass& model, const QString& path, const QString& jsonFormat, QString* error)
{
    switch (layoutKindOf(path)) {
    case LayoutKind::Keymap:
        return saveKeymapFile(model, path, error);
    case LayoutKind::ButtonView:
        return saveButtonViewFile(model, path, error);
    case LayoutKind::Json:
        return saveFileChecked(path, layoutToJson(model, jsonFormat), error);
    case LayoutKind::Csv:
        return saveFileChecked(path, layoutToCsv(model), error);
    case LayoutKind::Unknown:
        break;
    }
    if (error)
        *error = QStringLiteral("тип файла не понятен по имени: ожидается .kmp, .btv, .json или .csv");
    return false;
}

QByteArray layoutImage(LayoutFile& file, const QString& path, QString* error)
{
    if (file.kind == LayoutKind::Keymap) {
        // Read again rather than rebuilt: bytes the editor would not keep still go out.
        QByteArray bytes;
        if (!readFileHead(path, KeymapFileSize, bytes, error))
            return {};
        if (bytes.size() != KeymapFileSize && error)
            *error = QStringLiteral("файл стал короче %1 байт").arg(KeymapFileSize);
        return bytes.size() == KeymapFileSize ? bytes : QByteArray();
    }
    file.model->makeImage();
    return QByteArray(reinterpret_cast<const char*>(file.model->image()), ImageSize);
}
